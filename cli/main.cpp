#include <iostream>

#include "cli/commands.h"
#include "rom/romfile.h"

int main(int argc, char** argv)
{
    rom::IgnoreFileSizeSignal();
    std::ios::sync_with_stdio(false);
    cli::Io io{std::cin, std::cout, std::cerr, rom::SystemFiles()};
    return cli::Run(std::vector<std::string>(argv + 1, argv + argc), io);
}
