#include "QmProbeCommand.h"

#include "platform/System.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return qmprobe::runQmProbeOn(
        args, [](std::string& error) { return qmplatform::makeDefaultSystem(error); }, std::cout, std::cerr);
}
