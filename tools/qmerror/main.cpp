#include <iostream>
#include <string>
#include <vector>

#include "QmErrorCommand.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return runQmError(args, std::cout, std::cerr);
}
