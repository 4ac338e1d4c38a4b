#pragma once

#include "FindOptions.h"
#include "uZybLoadRes.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>

#include <functional>

class QUrl;

// Why a document did not open, translated by these names (see uZybLoadRes.h).
inline constexpr TResStringRec ZYB_NO_OPENER{
    "no application could open it: xdg-open was not found; install xdg-utils"};
inline constexpr TResStringRec ZYB_NOTHING_OPENS{"no application could open it"};

// Opens a document or address in the desktop's application without waiting for it. Raises the
// text of ZYB_NO_OPENER when the desktop has no opener; when the opener finds no application for
// it, `failed` gets the text of ZYB_NOTHING_OPENS later, on the GUI thread.
void OpenDocument(const QUrl& url, const std::function<void(const QString& reason)>& failed);

// Starts a program, or opens a document or address in the desktop's application, without waiting.
// An empty verb means "open". Environment references ($NAME, ${NAME}, %NAME%) in the file name and
// the parameters are expanded; the parameters are split into arguments like a command line but no
// shell ever sees them. Raises "Ошибка запуска файла: %s (%s)" when nothing could be started; a
// document that the desktop's opener then cannot open shows that error in the error box.
void ExecuteFile(const QString& fileName, const QString& verb, const QString& parameters);
// Starts a program with its arguments as they are given; environment references are expanded in
// the file name only, so that a value among the arguments never changes. Fails as above.
void ExecuteFile(const QString& fileName, const QStringList& arguments);

// Opens a page of the help folder (the program's path + ".help") in the browser; without a page,
// its index.
void ShowHtmlHelp(const QString& helpFolder, const QString& page);

// The private temporary folder of this user (mode 0700), ending with a separator.
QString GetTempDir();
// Where GetTempDir makes its folder; tests point it elsewhere. Empty means the system's.
void SetTempRoot(const QString& root);
// Creates a new empty file named after the first three characters of the prefix, a hexadecimal
// number and ".TMP" in the folder (GetTempDir when empty) and returns its full name. Raises when
// the file cannot be made.
QString GetTempFile(const QString& folder, const QString& prefix);

// Line reading over an open device: lines end at CR, LF, CR LF and NUL; the bytes are returned
// as they are in the file.
bool FileEof(QIODevice& file);
QByteArray FileReadLine(QIODevice& file);

// Appends the pieces of the text between delimiters to the list; no empty last piece.
void SplitText(const QString& delimiter, const QString& text, QStringList& list);

// A duration as [h:]m:ss.zzz.
QString FormatMilliseconds(qint32 milliseconds);

// Message boxes captioned with the application title, shown on the GUI thread from any thread.
void ShowInfo(const QString& text);
void ShowError(const QString& text);
bool AskOkCancel(const QString& question);

// The connection list's find test: only match case and whole word count.
bool TextMatchesFind(const QString& text, const QString& findText, vx::TFindOptions options);
