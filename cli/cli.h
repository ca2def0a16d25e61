// Shared pieces of qlmtool's subcommands.
#pragma once

#include <cstdio>

#include <QJsonObject>
#include <QStringList>

namespace qlm {
struct Error;
class Recordset;
}  // namespace qlm

namespace qlm::cli {

// Exit statuses.
inline constexpr int kOk = 0;
inline constexpr int kFailed = 1;  // some item failed, or the catalogue could not be used
inline constexpr int kUsage = 64;  // bad command line
inline constexpr int kWrongPassword = 3;

// A subcommand gets its own arguments (without the subcommand's name).
using Command = int (*)(const QStringList& args);

int CmdHeader(const QStringList& args);
int CmdCopy(const QStringList& args);
int CmdBuild(const QStringList& args);
int CmdList(const QStringList& args);
int CmdSearch(const QStringList& args);

// The calls of a catalogue as list prints them (cmd_list.cpp), shared with
// search. LoadCallTexts loads the string library the row texts come from
// (false, with the message on stderr, when it cannot). ReportCatalogueError
// is the message for a catalogue that cannot be opened. PrintCallRows
// prints every row from the current one on, one a line (JSON with json);
// false, with the error on stderr, when a row could not be read.
bool LoadCallTexts();
void ReportCatalogueError(const QString& catalogue, const Error& error);
bool PrintCallRows(const QString& catalogue, Recordset* rows, bool json);
int CmdComment(const QStringList& args);
int CmdDelete(const QStringList& args);
int CmdWipeCard(const QStringList& args);
int CmdConvert(const QStringList& args);
int CmdExport(const QStringList& args);
int CmdBackup(const QStringList& args);
int CmdPrune(const QStringList& args);
int CmdPlay(const QStringList& args);
int CmdPasswd(const QStringList& args);
int CmdVerify(const QStringList& args);

// The password gate of the commands that need it. Takes --password-stdin
// out of args and reads the first line of in; without it asks on the
// terminal with echo off when in is one. Returns kOk when the password
// matches "qlm6200.pwd" of the application folder; otherwise writes "Wrong
// password" to stderr and returns kWrongPassword.
int SignInForCommand(QStringList* args, std::FILE* in = stdin);
// The password as the gate reads it; false when none was given.
bool ReadCommandPassword(QStringList* args, std::FILE* in, QString* password);
// One password: the next line of in when fromStdin, else asked with prompt
// and echo off when in is a terminal. False when none was given, or the line
// is too long for any password (it is refused, never cut short).
bool ReadPassword(std::FILE* in, bool fromStdin, const QString& prompt, QString* password);

// Writes the command's registered usage line to stderr; returns kUsage.
int Usage(const char* command);

// Output helpers: one record a line on stdout, errors on stderr.
void Out(const QString& line);
void Err(const QString& line);
QString JsonLine(const QJsonObject& object);
// A field of plain output, so that a record stays one line and no text
// (a comment, a number off a card) can drive the terminal: the backslash
// doubled, Tab, line feed and carriage return as \t \n \r, every other
// control character (C0, DEL, C1) as \xNN. JSON output keeps exact texts.
QString PlainField(const QString& text);
// The fields through PlainField, joined by Tabs.
QString PlainLine(const QStringList& fields);

// A path argument as Qt's file classes reach it byte for byte
// (QtReachablePath); false, with the reason on stderr, when it cannot be.
bool ReachablePath(QString* path);

// Takes a flag out of args; true when it was there.
bool TakeFlag(QStringList* args, const QString& flag);
// Takes "--name VALUE" out of args; false (and an error message) when the
// value is missing. *present tells whether the option was given.
bool TakeOption(QStringList* args, const QString& name, QString* value, bool* present);

}  // namespace qlm::cli
