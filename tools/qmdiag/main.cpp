#include "QmDiagCommand.h"

#include <iostream>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return qmdiag::runQmDiag(
        args, [](std::string& error) { return qmplatform::makeDefaultSystem(error); }, std::cout, std::cerr);
}
