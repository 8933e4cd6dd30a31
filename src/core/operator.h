#pragma once
// Every message and Yes/No question of the core reaches the operator through this interface:
// the application shows message boxes, the command line writes to standard error, tests record.

#include <array>
#include <deque>
#include <set>
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
    /// Asks a question with three answers (such as Commit, Discard, Cancel); returns the index of
    /// the one chosen. defaultAnswer is the default button, the last answer the escape. Where only
    /// Yes and No can be asked, Yes gives the first answer and No the last.
    virtual int choose(const std::string& text, const std::array<std::string, 3>& answers, int defaultAnswer)
    {
        (void)answers;
        return ask(text, defaultAnswer == 0) ? 0 : 2;
    }
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
    int choose(const std::string& text, const std::array<std::string, 3>&, int defaultAnswer) override
    {
        questions.push_back(text);
        messages.push_back(text);
        if (choices.empty())
            return defaultAnswer;
        const int c = choices.front();
        choices.pop_front();
        return c;
    }

    std::vector<std::string> messages;  ///< informs and questions, in order
    std::vector<std::string> questions; ///< questions only
    std::deque<bool> answers;           ///< scripted answers, first asked first
    std::deque<int> choices;            ///< scripted answers of the three-answer questions
};

/// Passes each distinct message on once and every question, to another operator: for a long
/// action whose steps may report the same thing again.
class DistinctMessages : public Operator {
  public:
    explicit DistinctMessages(Operator& to) : to_(to) {}
    void inform(const std::string& text) override
    {
        if (shown_.insert(text).second)
            to_.inform(text);
    }
    bool ask(const std::string& text, bool defaultAnswer) override { return to_.ask(text, defaultAnswer); }
    bool askYesAbort(const std::string& text) override { return to_.askYesAbort(text); }
    int choose(const std::string& text, const std::array<std::string, 3>& answers, int defaultAnswer) override
    {
        return to_.choose(text, answers, defaultAnswer);
    }

  private:
    Operator& to_;
    std::set<std::string> shown_;
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
    std::string openFile(const std::string& title, const std::string& filter,
                         const std::string& initialFile) override
    {
        return next(title, filter, initialFile);
    }
    std::string saveFile(const std::string& title, const std::string& filter,
                         const std::string& initialFile) override
    {
        return next(title, filter, initialFile);
    }
    std::string chooseFolder(const std::string& title, const std::string& initialFolder) override
    {
        return next(title, {}, initialFolder);
    }

    std::deque<std::string> answers;
    std::vector<std::string> titles;
    std::vector<std::string> filters;      ///< the filter of each dialog, in order
    std::vector<std::string> initialFiles; ///< the file or folder each dialog proposed

  private:
    std::string next(const std::string& title, const std::string& filter, const std::string& initial)
    {
        titles.push_back(title);
        filters.push_back(filter);
        initialFiles.push_back(initial);
        if (answers.empty())
            return {};
        std::string a = answers.front();
        answers.pop_front();
        return a;
    }
};

} // namespace tem
