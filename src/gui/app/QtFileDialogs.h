#pragma once
// The file-dialog interface of the application, with QFileDialog.
// Filters use Qt's form "Title (*.EXT *.ext);;Other (*.X)". The entry whose pattern matches the
// initial file's extension is selected, and that extension is the default one.

#include "core/operator.h"

class QWidget;

namespace tem::gui {

class QtFileDialogs : public FileDialogs {
  public:
    explicit QtFileDialogs(QWidget* parentWindow = nullptr) : parent_(parentWindow) {}
    void setParentWindow(QWidget* parentWindow) { parent_ = parentWindow; }

    std::string openFile(const std::string& title, const std::string& filter,
                         const std::string& initialFile) override;
    /// Never asks before overwriting: the commands that call it ask their own questions.
    std::string saveFile(const std::string& title, const std::string& filter,
                         const std::string& initialFile) override;
    std::string chooseFolder(const std::string& title, const std::string& initialFolder) override;

  private:
    QWidget* parent_;
};

} // namespace tem::gui
