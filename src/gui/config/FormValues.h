#pragma once
// Numbers in the windows: printf-style display and the silent fallbacks for typed text.

#include <QString>

class QLineEdit;
class QTableWidgetItem;

namespace tem::gui {

/// printf-style text of one number ("%8.3f", "%12.4f", ...), point as decimal separator.
QString Fmt(const char* format, double v);
/// As Fmt, with the padding spaces removed.
QString FmtTrim(const char* format, double v);
/// The shortest decimal text that gives v back: 12.345, 5, 0.001.
QString ShortestText(double v);

/// The typed text as a number (point, or the user's decimal separator; spaces around allowed);
/// fallback when it is not a finite number.
double ReadFloat(const QString& text, double fallback);
/// The typed text as a whole number; fallback when it is not one.
int ReadInt(const QString& text, int fallback);

// A number shown rounded ("%8.3f") and read back would lose digits at every commit. Controls filled
// with these remember the exact model value; while the operator leaves the text as it was shown,
// reading gives that value back, otherwise the typed text (with the usual fallback).
/// Shows v in the edit as format gives it (trimmed when asked) and remembers v.
void ShowNumber(QLineEdit* edit, const char* format, double v, bool trimmed = false);
/// The remembered value while the edit's text is unchanged, else ReadFloat(text, fallback).
double ReadNumber(const QLineEdit* edit, double fallback);
/// The same for a grid cell (a key/value editor's value cell, a node grid cell).
void RememberNumber(QTableWidgetItem* item, double v);
double ReadNumber(const QTableWidgetItem* item, double fallback);

enum class BarRounding { Round, Truncate, Floor };
/// v converted to a whole track-bar value: Round goes to the nearest integer with halves to the
/// even neighbour; Truncate drops the fraction; Floor goes to the next lower integer. Values
/// beyond the range of a track bar are held at its ends.
int ToBar(double v, BarRounding how);

/// The file name with its extension (from the last dot of the name part) replaced by ext.
QString ChangeFileExt(const QString& fileName, const QString& ext);
/// The extension of the name part, with its dot ("" when there is none).
QString ExtractFileExt(const QString& fileName);

} // namespace tem::gui
