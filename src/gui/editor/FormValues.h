#pragma once
// Numbers in the windows: printf-style display and the silent fallbacks for typed text.

#include <QString>

namespace tem::gui {

/// printf-style text of one number ("%8.3f", "%12.4f", ...), point as decimal separator.
QString Fmt(const char* format, double v);
/// As Fmt, with the padding spaces removed.
QString FmtTrim(const char* format, double v);
/// The general form "%<width>g" of the messages: up to 15 significant digits, padded to width.
QString FmtGeneral(double v, int width);
/// The shortest decimal text that gives v back: 12.345, 5, 0.001.
QString ShortestText(double v);

/// The typed text as a number (point, or the user's decimal separator; spaces around allowed);
/// fallback when it is not a finite number.
double ReadFloat(const QString& text, double fallback);
/// The typed text as a whole number; fallback when it is not one.
int ReadInt(const QString& text, int fallback);

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
