// Average Rainfall: the catchment rainfall by the Thiessen polygon method.
#include "app/start_up.h"

int main(int argc, char** argv)
{
    return rainfall::Run(rainfall::AverageRainfall, argc, argv,
                         [](const std::vector<std::string>&) { rainfall::OpenWelcomeWindow(); });
}
