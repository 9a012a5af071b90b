// drftool with the preview command, for builds that have the renderer.
#include <QCoreApplication>

#include <iostream>

#include "DrfTool.h"
#include "Preview.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    // Picture readers are plugins found through the application object.
    if (!args.empty() && args.front() == "preview") {
        QCoreApplication app(argc, argv);
        drftool::setPreviewCommand(&drftool::preview);
        return drftool::run(args, std::cout, std::cerr);
    }
    return drftool::run(args, std::cout, std::cerr);
}
