#pragma once
// Small helpers the editor windows share: text conversion, the error boundary of a handler, and
// number cells that remember the exact value they were filled from.

#include <QFile>
#include <QLineEdit>
#include <QString>
#include <QTableWidget>
#include <optional>
#include <string>
#include <string_view>

#include "core/action_error.h"
#include "core/operator.h"

namespace tem::gui {
namespace editor {

// The model's texts are 8-bit, as in the files: one byte is one Latin-1 character. Every text
// between the model and a widget goes through this one pair, so a text opened and saved keeps
// its bytes (converting through UTF-8 would replace each byte above 0x7F).
inline std::string S(const QString& s)
{
    const QByteArray bytes = s.toLatin1();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}
inline QString Q(std::string_view s)
{
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

// Names of files on this system, chosen in a dialog and opened here, are in the system's own
// encoding.
inline std::string PathS(const QString& s)
{
    return QFile::encodeName(s).toStdString();
}
inline QString PathQ(const std::string& s)
{
    return QFile::decodeName(QByteArray::fromStdString(s));
}

/// Runs a handler; an action that must stop is reported once. Returns false when it stopped.
template <class F> bool Guarded(tem::Operator& op, F&& f)
{
    try {
        f();
        return true;
    } catch (const tem::ActionError& e) {
        op.inform(e.what());
        return false;
    }
}

/// A cell showing text (read-only unless editable).
void SetCell(QTableWidget* grid, int row, int col, const QString& text, bool editable);
/// A cell showing a number: text is what is shown, exact the model value it came from.
void SetNumberCell(QTableWidget* grid, int row, int col, double exact, const QString& text,
                   bool editable = true);
/// The number of a cell: the exact value while its text is unchanged, else the text as a number,
/// else fallback.
double CellNumber(const QTableWidget* grid, int row, int col, double fallback);
/// The number a commit takes from a cell: the exact value while its text is unchanged, else the
/// text as a number; nothing when the text is not a number.
std::optional<double> CellValue(const QTableWidget* grid, int row, int col);
/// Whether a cell holds a number (or its unchanged exact value).
bool CellHasNumber(const QTableWidget* grid, int row, int col);

/// The same for an edit box.
void SetNumberEdit(QLineEdit* edit, double exact, const QString& text);
std::optional<double> EditValue(const QLineEdit* edit);
double EditNumber(const QLineEdit* edit, double fallback);
/// An edit showing a model value in other units (shown = value x scale): the exact value while the
/// text is unchanged, else the text / scale, else fallback (in model units).
double EditValue(const QLineEdit* edit, double scale, double fallback);

} // namespace editor

} // namespace tem::gui
