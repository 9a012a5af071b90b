// A second program working on one machine: records COUNT restarts tagged
// with TAG and marks service "Writer<TAG>" running, each a separate locked
// write. The concurrency test runs several of these at once.
#include "platform/machine/Machine.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: machine_writer MACHINE COUNT TAG\n");
        return 2;
    }
    std::string error;
    const auto machine = qmplatform::emulated::Machine::open(argv[1], error);
    if (!machine) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const long count = std::strtol(argv[2], nullptr, 10);
    const long tag = std::strtol(argv[3], nullptr, 10);
    for (long i = 0; i < count; ++i) {
        if (!machine->recordRestart(static_cast<std::uint32_t>(tag * 1000 + i), error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
    }
    qmplatform::emulated::ServiceBehaviour running;
    running.state = qmplatform::emulated::ServiceRunState::Running;
    if (!machine->setService(L"Writer" + std::to_wstring(tag), running, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}
