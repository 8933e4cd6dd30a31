#pragma once
// The operator of the command line: messages and questions go to standard error, one per line;
// questions take the answer of --yes / --no, else their default button. Every text is also kept
// for the "messages" array of the JSON output.

#include <iosfwd>
#include <string>
#include <vector>

#include "core/operator.h"

namespace tem::cli {

enum class Answers { DefaultButton, Yes, No };

class CliOperator : public Operator {
  public:
    explicit CliOperator(std::ostream& err) : err_(err) {}

    void inform(const std::string& text) override;
    bool ask(const std::string& text, bool defaultAnswer) override;

    void setAnswers(Answers answers) { answers_ = answers; }
    /// Every text shown, informs and questions, in order.
    const std::vector<std::string>& messages() const { return messages_; }

  private:
    void show(const std::string& text);

    std::ostream& err_;
    Answers answers_ = Answers::DefaultButton;
    std::vector<std::string> messages_;
};

} // namespace tem::cli
