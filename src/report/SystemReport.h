#pragma once
// The system report: an A4 PDF that describes the survey system as configured, for the
// appendix of a survey report. It is built from the model alone (and the values the core derives
// from it), so the main window and the command line write the same document.

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "core/model/configuration.h"

namespace tem::report {

/// What the report says about where the configuration came from.
struct ReportSource {
    /// The configuration file the model was read from or last saved to (shown in the title block
    /// and in the running header).
    QString fileName;
    /// The CRC-32 of that file as stored, in upper-case hexadecimal, so a reader can check the
    /// file against the report; empty when the file could not be read.
    QString fileCrc;
    QDateTime created = QDateTime::currentDateTime();
};

/// Lays out the report and returns the PDF's bytes and the number of pages. Throws InOutError.
/// Needs a QGuiApplication (fonts).
QByteArray RenderSystemReport(const Configuration& cfg, const ReportSource& source, int& pages);

/// Lays out and writes the report to pdfFile. The file appears whole or not at all: the PDF is
/// written beside it under a temporary name and renamed when complete, so a failed write leaves
/// an earlier file of that name as it was; only a regular file (or a new one) is written, and
/// never the configuration file the report describes (source.fileName). Returns the number
/// of pages; throws InOutError when the file cannot be written. Needs a QGuiApplication (fonts).
int WriteSystemReport(const Configuration& cfg, const ReportSource& source, const QString& pdfFile);

/// Makes sure the process has a QGuiApplication, which fonts and the PDF writer need: a process
/// without any Qt application gets one on the offscreen platform (no screen is needed to write a
/// file), kept until the process ends. Throws ActionError when the process runs a Qt application
/// without a GUI.
void EnsureGuiApplication();

/// The CRC-32 of a file in the program's "%x" form, or an empty text when it cannot be read.
QString FileCrcText(const QString& fileName);

} // namespace tem::report
