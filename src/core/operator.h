#pragma once
// Every message and Yes/No question of the core reaches the operator through this interface:
// the application shows message boxes, the command line writes to standard error, tests record.

#include <deque>
#include <string>
#include <vector>

namespace tem {

class Operator {
  public:
    virtual ~Operator() = default;
    /// Shows a message and waits until the operator has seen it.
    virtual void inform(const std::string& text) = 0;
    /// Asks a Yes/No question; returns true for Yes. defaultAnswer is the default button.
    virtual bool ask(const std::string& text, bool defaultAnswer) = 0;
    /// Asks a question whose buttons are Yes and Abort, Abort the default; returns true for Yes.
    /// Where no Abort button can be shown it is a Yes/No question with No the default.
    virtual bool askYesAbort(const std::string& text) { return ask(text, false); }
};

/// Keeps every text shown and answers questions from a script (then with the default button).
class RecordingOperator : public Operator {
  public:
    void inform(const std::string& text) override { messages.push_back(text); }
    bool ask(const std::string& text, bool defaultAnswer) override
    {
        questions.push_back(text);
        messages.push_back(text);
        if (answers.empty())
            return defaultAnswer;
        bool a = answers.front();
        answers.pop_front();
        return a;
    }

    std::vector<std::string> messages;  ///< informs and questions, in order
    std::vector<std::string> questions; ///< questions only
    std::deque<bool> answers;           ///< scripted answers, first asked first
};

/// File dialogs and the folder chooser, so windows can be driven by tests.
class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    /// Returns the chosen file, or an empty text when the operator cancels.
    virtual std::string openFile(const std::string& title, const std::string& filter,
                                 const std::string& initialFile) = 0;
    virtual std::string saveFile(const std::string& title, const std::string& filter,
                                 const std::string& initialFile) = 0;
    virtual std::string chooseFolder(const std::string& title, const std::string& initialFolder) = 0;
};

/// Answers dialogs from a script; an empty script cancels.
class ScriptedFileDialogs : public FileDialogs {
  public:
    std::string openFile(const std::string& title, const std::string&, const std::string&) override
    {
        return next(title);
    }
    std::string saveFile(const std::string& title, const std::string&, const std::string&) override
    {
        return next(title);
    }
    std::string chooseFolder(const std::string& title, const std::string&) override { return next(title); }

    std::deque<std::string> answers;
    std::vector<std::string> titles;

  private:
    std::string next(const std::string& title)
    {
        titles.push_back(title);
        if (answers.empty())
            return {};
        std::string a = answers.front();
        answers.pop_front();
        return a;
    }
};

} // namespace tem
