#pragma once
// The text of the settings file: the INI dialect the store has always written (Qt's INI format: "[Section]" lines,
// keys with '%'-escapes and '\' between nested groups, values quoted where they hold ';', ',' or '=' or blanks at an
// end, backslash escapes, "@ByteArray(...)", comma lists, ';' comments), read and written without losing a byte.
//
// - Bytes that are not UTF-8 become the escaped bytes of core/NativePath (U+DC80 + byte) when read and are written
//   back as the bytes they were; Qt's own reader turned them into U+FFFD or dropped them.
// - An entry read from the file stays what the file holds after its '=' (an IniEntry) until the program replaces
//   it, and keeps its key and the header line of its section as the file spelled them, so every entry the program
//   does not change is written back byte for byte, in a section of that header (entries that stood before any
//   header stay before them).
// - Lines the dialect cannot read (no '=', a section without its ']') are skipped; the rest of the file still reads.
// No state; any thread.
#include <QByteArray>
#include <QByteArrayView>
#include <QMetaType>
#include <QSettings>
#include <QVariant>

namespace vemra {

// An entry as the file holds it.
struct IniEntry {
    QByteArray text;    // what follows its '='
    QByteArray section; // the line "[...]" of its section; empty before the first one
    QByteArray key;     // what stands before its '='
    bool operator==(const IniEntry&) const = default;
};

// Every entry of the file, by its key in QSettings form ("Setup/Temperature"; entries of "[General]" have no group).
QSettings::SettingsMap ReadIniText(QByteArrayView file);
// The file that holds these entries: an IniEntry where the file had it, as long as its key and section still make
// the entry's key; any other entry in the section of its first group, "[General]" for the entries without one.
QByteArray IniFileText(const QSettings::SettingsMap& entries);

// A value as the program reads it: an IniEntry becomes a QString, a QStringList (when an unquoted ',' separates
// items), a QByteArray ("@ByteArray(...)") or no value ("@Invalid()"); any other value is returned as it is.
QVariant IniValue(const QVariant& stored);

} // namespace vemra

Q_DECLARE_METATYPE(vemra::IniEntry)
