// temsetrix-engine "MODEL" ["CONTROL"]: the built-in TEM forward engine, on the command line of the
// external engine it stands in for (whose control file it does not need).
#include <cstdio>
#include <exception>
#include <iostream>
#include <string_view>

#include "engine/run.h"

namespace {

constexpr const char* Usage = "Usage: temsetrix-engine \"MODEL\" [\"CONTROL\"]\n";

constexpr const char* Help =
    "Compute the transient-electromagnetic response of layered earths: the built-in 1-D forward\n"
    "engine of TEM Setrix, which the program and temsetrix-cli start for a forward run.\n"
    "\n"
    "MODEL is the model file: the data sets, each a layered earth (resistivities and\n"
    "thicknesses) and the name of its TEM system file in the model file's folder. CONTROL, the\n"
    "control file of the external engine this one stands in for, may be given and is never read.\n"
    "A result file FWDnnnnn.fwr is written beside MODEL for each data set.\n"
    "\n"
    "Standard output, line by line: one line per data set as it finishes, a line 'data set N of\n"
    "M' while computing, then a summary.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and exit\n"
    "  -v, --version  show the version and exit\n";

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2) {
        const std::string_view option = argv[1];
        if (option == "-h" || option == "--help") {
            std::cout << Usage << Help << std::flush;
            return std::cout ? 0 : 1;
        }
        if (option == "-v" || option == "--version") {
            std::cout << "temsetrix-engine (TEM Setrix) " TEMSETRIX_VERSION "\n" << std::flush;
            return std::cout ? 0 : 1;
        }
    }
    if (argc != 2 && argc != 3) {
        std::cout << Usage << "Try 'temsetrix-engine --help' for more information." << std::endl;
        return 2;
    }
    try {
        tem::engine::RunArguments arguments;
        arguments.model_file = argv[1];
        if (argc == 3)
            arguments.control_file = argv[2];
        return tem::engine::RunEngine(arguments, std::cout);
    } catch (const std::exception& e) {
        std::cout << "temsetrix-engine stopped: " << e.what() << std::endl;
        return 2;
    }
}
