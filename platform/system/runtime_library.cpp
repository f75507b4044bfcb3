// The parts of the run-time library that standard C++ covers on every system.
#include "runtime_library.h"

#include <chrono>

namespace rainfall {

FileText::FileText(FileText&& other) noexcept
    : text_(std::move(other.text_)), mapped_(other.mapped_), mappedSize_(other.mappedSize_)
{
    other.mapped_ = nullptr;
    other.mappedSize_ = 0;
}

FileText& FileText::operator=(FileText&& other) noexcept
{
    if (this != &other) {
        Release();
        text_ = std::move(other.text_);
        mapped_ = other.mapped_;
        mappedSize_ = other.mappedSize_;
        other.mapped_ = nullptr;
        other.mappedSize_ = 0;
    }
    return *this;
}

FileText::~FileText()
{
    Release();
}

FileText FileText::Mapping(const char* data, std::size_t size)
{
    FileText text;
    text.mapped_ = data;
    text.mappedSize_ = size;
    return text;
}

std::string JoinPath(const std::string& directory, const std::string& name)
{
    return directory + PathSeparator + name;
}

void SystemRunTimeLibrary::SeedFromClock()
{
    const auto now = std::chrono::system_clock::now().time_since_epoch().count();
    generator_.seed(static_cast<std::mt19937::result_type>(now ^ (now >> 32)));
}

float SystemRunTimeLibrary::NextRandom()
{
    constexpr float Scale = 1.0f / 16777216.0f; // 2^-24
    return static_cast<float>(generator_() >> 8) * Scale;
}

RunTimeLibrary& DefaultRunTimeLibrary()
{
    static SystemRunTimeLibrary library;
    return library;
}

} // namespace rainfall
