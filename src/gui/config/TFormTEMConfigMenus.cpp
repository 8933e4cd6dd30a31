// The main window's menus, title and recent files.

#include <QAction>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>

#include "arrays/TFormConfig.h"
#include "config/TFormTEMConfig.h"
#include "ui_TFormTEMConfig.h"

namespace tem::gui {

namespace {

constexpr int MaxRecentFiles = 8;
const char* const Caption = "TEM Setrix - beta version 1.00 Dec2022 (for testing pre-release)";

} // namespace

void TFormTEMConfig::buildMenus()
{
    QMenu* file = menuBar()->addMenu(tr("&File"));
    auto add = [this](QMenu* menu, const QString& text, QKeySequence key, const QString& tip, auto slot) {
        QAction* a = menu->addAction(text);
        a->setShortcut(key);
        a->setStatusTip(tip);
        a->setToolTip(tip);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    add(file, tr("&Open..."), QKeySequence::Open, tr("Load a TDC or GEX configuration file"),
        &TFormTEMConfig::ButtonLoadClick);
    recentMenu_ = file->addMenu(tr("Open &Recent"));
    add(file, tr("&Save"), QKeySequence::Save, tr("Save the configuration under the listed file name"),
        &TFormTEMConfig::ButtonSaveClick);
    add(file, tr("Save &As..."), QKeySequence::SaveAs, tr("Save a copy of the configuration as TDC or GEX"),
        &TFormTEMConfig::ButtonSaveAsINIClick);
    file->addSeparator();
    add(file, tr("&Quit"), QKeySequence::Quit, tr("Close TEM Setrix"), &TFormTEMConfig::BitBtnCancelClick);

    QMenu* view = menuBar()->addMenu(tr("&View"));
    add(view, tr("&Refresh"), QKeySequence::Refresh, tr("Refresh Display and calculated variables"),
        &TFormTEMConfig::ButtonRefreshGraphClick);
    QAction* arrays = view->addAction(tr("Geo-electric &Array Configuration..."));
    arrays->setStatusTip(tr("Design a geo-electric electrode array and see how deep it looks"));
    connect(arrays, &QAction::triggered, this, [this] { EnterArrayConfiguration(s_, this); });

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    add(help, tr("TEM Setrix &Help"), QKeySequence::HelpContents, tr("Show the help window"),
        &TFormTEMConfig::ButtonHELPClick);
    QAction* about = help->addAction(tr("&About TEM Setrix"));
    connect(about, &QAction::triggered, this, [this] {
        QMessageBox::about(this, tr("About TEM Setrix"),
                           tr("<b>TEM Setrix</b><p>Configuration editor for ground-based, vehicle-towed "
                              "transient-electromagnetic survey systems.</p>"));
    });
    rebuildRecentMenu();
}

void TFormTEMConfig::updateTitle()
{
    const QString name = QFileInfo(QString::fromStdString(s_.cfg.LoadFilename)).fileName();
    setWindowTitle(name.isEmpty() ? QString(Caption) : name + " - " + Caption);
}

void TFormTEMConfig::addRecentFile(const QString& fileName)
{
    if (fileName.isEmpty())
        return;
    const QString path = QFileInfo(fileName).absoluteFilePath();
    recent_.removeAll(path);
    recent_.prepend(path);
    while (recent_.size() > MaxRecentFiles)
        recent_.removeLast();
    rebuildRecentMenu();
}

void TFormTEMConfig::rebuildRecentMenu()
{
    if (!recentMenu_)
        return;
    recentMenu_->clear();
    for (int i = 0; i < recent_.size(); ++i) {
        const QString path = recent_[i];
        QAction* a = recentMenu_->addAction(QString("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()));
        a->setToolTip(path);
        a->setStatusTip(path);
        connect(a, &QAction::triggered, this, [this, path] {
            if (!QFileInfo::exists(path)) {
                s_.op.inform("The file " + path.toStdString() + " no longer exists.");
                recent_.removeAll(path);
                rebuildRecentMenu();
                return;
            }
            LoadFile(path);
        });
    }
    recentMenu_->setEnabled(!recent_.isEmpty());
}

// The list lives beside the application settings, in the configuration folder.
static QString RecentFilesPath(const Session& s)
{
    return QString::fromStdString(s.folders.temConfig) + "RecentFiles.INI";
}

void TFormTEMConfig::loadRecentFiles()
{
    QSettings settings(RecentFilesPath(s_), QSettings::IniFormat);
    recent_.clear();
    for (int i = 1; i <= MaxRecentFiles; ++i) {
        const QString f = settings.value(QString("RecentFiles/File%1").arg(i)).toString();
        if (!f.isEmpty() && !recent_.contains(f))
            recent_.append(f);
    }
    rebuildRecentMenu();
}

void TFormTEMConfig::saveRecentFiles()
{
    if (s_.folders.temConfig.empty())
        return;
    QSettings settings(RecentFilesPath(s_), QSettings::IniFormat);
    settings.remove("RecentFiles");
    for (int i = 0; i < recent_.size(); ++i)
        settings.setValue(QString("RecentFiles/File%1").arg(i + 1), recent_[i]);
}

} // namespace tem::gui
