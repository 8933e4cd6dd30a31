// temsetrix-cli-qt.so: the Qt part of temsetrix-cli. The program loads it for report and forward
// only and hands it the whole command line, which runs here as it would in one program.
#include <exception>
#include <iostream>

#include "cli/qt/in_process.h"

extern "C" __attribute__((visibility("default"))) int temsetrix_cli_qt_run(int argc, char** argv)
{
    // Nothing may leave through the C entry; Run reports a command's errors itself.
    try {
        return tem::cli::RunWithQt(argc, argv, std::cout, std::cerr);
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
}
