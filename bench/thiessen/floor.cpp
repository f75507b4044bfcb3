// The least work any reader of a wide rainfall series must do, to time the
// thiessen command against (bench/thiessen/run.py): one thread maps the file
// and turns every field after the first of each line into a double with
// std::from_chars. The header and the time column are skipped, and so is a
// field that is empty or not a number; nothing is checked and nothing is kept
// but a sum, which keeps the compiler from leaving the work out.
//
//     bench_floor SERIES
//
// prints "seconds=S cpu=C values=N skipped=K sum=X": the wall-clock and
// processor time from opening the file to the last field, and what was read.
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Totals {
    long values = 0;
    long skipped = 0;
    double sum = 0;
};

// Reads the fields of the lines in [begin, end) after the first line.
Totals ParseFields(const char* begin, const char* end)
{
    Totals totals;
    const char* p = static_cast<const char*>(std::memchr(begin, '\n', end - begin));
    p = p == nullptr ? end : p + 1;
    while (p < end) {
        // The time: up to the first comma of the line.
        while (p < end && *p != ',' && *p != '\n')
            ++p;
        while (p < end && *p == ',') {
            ++p;
            double value = 0;
            const std::from_chars_result parsed = std::from_chars(p, end, value);
            if (parsed.ptr == p) {
                ++totals.skipped;
                while (p < end && *p != ',' && *p != '\n')
                    ++p;
            } else {
                ++totals.values;
                totals.sum += value;
                p = parsed.ptr;
            }
        }
        while (p < end && *p != '\n')
            ++p;
        ++p;
    }
    return totals;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_floor SERIES\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    const int file = open(argv[1], O_RDONLY);
    struct stat status {};
    if (file < 0 || fstat(file, &status) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    const auto size = static_cast<std::size_t>(status.st_size);
    Totals totals;
    if (size > 0) {
        void* mapped = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file, 0);
        if (mapped == MAP_FAILED) {
            std::perror(argv[1]);
            return 1;
        }
        madvise(mapped, size, MADV_SEQUENTIAL);
        const char* text = static_cast<const char*>(mapped);
        totals = ParseFields(text, text + size);
        munmap(mapped, size);
    }
    close(file);
    const double cpu = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    std::printf("seconds=%.3f cpu=%.3f values=%ld skipped=%ld sum=%.17g\n", seconds.count(), cpu,
                totals.values, totals.skipped, totals.sum);
}
