#include "cli/cli_operator.h"

#include <ostream>

namespace tem::cli {

void CliOperator::show(const std::string& text)
{
    messages_.push_back(text);
    // One message per line: line breaks inside a text would split it.
    std::string line = text;
    for (char& c : line)
        if (c == '\n' || c == '\r')
            c = ' ';
    err_ << line << '\n' << std::flush;
}

void CliOperator::inform(const std::string& text)
{
    show(text);
}

bool CliOperator::ask(const std::string& text, bool defaultAnswer)
{
    show(text);
    switch (answers_) {
    case Answers::Yes:
        return true;
    case Answers::No:
        return false;
    default:
        return defaultAnswer;
    }
}

} // namespace tem::cli
