// COrvellanDoc: the program file behind the window. It knows the file's
// path and title, reads the file into the program store and writes the
// store back, and tells whether the program changed since it was last read
// or written.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <QObject>
#include <QString>

namespace tw {

class Interpreter;

// Program files on disk. Every read and write of the window goes through
// here: the interpreter's own program-file routines (those of LOAD and
// SAVE) do the work.
namespace programfile {

// Reads the program file into the program store (replacing the program)
// and makes its directory the current one. On failure: false, and the
// BASIC message in *error.
bool load(Interpreter& in, const QString& path, QString* error = nullptr);
// Writes the program in the format of the last program read (text with
// CR LF, or binary). On failure: false, and the BASIC message in *error.
bool save(Interpreter& in, const QString& path, QString* error = nullptr);

}  // namespace programfile

class COrvellanDoc : public QObject {
    Q_OBJECT
public:
    explicit COrvellanDoc(Interpreter& in, QObject* parent = nullptr);

    QString pathName() const { return path_; }
    // The file name, or "無題" (untitled) before the program has a file.
    QString title() const;
    // True after a list command changed the program, or when the program
    // differs from the one last read or written.
    bool isModified() const;
    void setModifiedFlag(bool on = true);

    // New: the program store is emptied; the document has no file.
    void onNewDocument();
    // Open: reads the file; on success it becomes the document's file.
    // On failure `error` receives the BASIC message.
    bool onOpenDocument(const QString& path, QString* error = nullptr);
    // Save: writes the program in the format it was read in.
    bool onSaveDocument(const QString& path, QString* error = nullptr);

Q_SIGNALS:
    void titleChanged();

private:
    void setPath(const QString& path);
    void markClean();

    Interpreter& in_;
    QString path_;
    bool modified_ = false;
    std::vector<std::pair<int32_t, std::string>> saved_;
};

}  // namespace tw
