#include "gui/document.h"

#include <QFile>
#include <QFileInfo>

#include "core/interp.h"
#include "io/encoding.h"

namespace tw {

namespace programfile {

namespace {

std::string nativePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

// "File not open in " without its " in " (no line number follows here).
QString message(std::string basic) {
    if (basic.size() >= 4 && basic.compare(basic.size() - 4, 4, " in ") == 0) basic.resize(basic.size() - 4);
    return QString::fromStdString(cp932ToUtf8(basic)).trimmed();
}

}  // namespace

bool load(Interpreter& in, const QString& path, QString* error) {
    std::string e;
    if (in.loadProgramFile(nativePath(path), &e)) return true;
    if (error) *error = message(e);
    return false;
}

bool save(Interpreter& in, const QString& path, QString* error) {
    std::string e;
    if (in.saveProgramFile(nativePath(path), in.loadedFormat() == 0, &e)) return true;
    if (error) *error = message(e);
    return false;
}

}  // namespace programfile

COrvellanDoc::COrvellanDoc(Interpreter& in, QObject* parent) : QObject(parent), in_(in) { markClean(); }

QString COrvellanDoc::title() const {
    return path_.isEmpty() ? QStringLiteral("無題") : QFileInfo(path_).fileName();
}

bool COrvellanDoc::isModified() const {
    if (modified_) return true;
    if (static_cast<size_t>(in_.lineCount()) != saved_.size()) return true;
    for (int i = 0; i < in_.lineCount(); ++i) {
        const auto& s = saved_[static_cast<size_t>(i)];
        if (s.first != in_.lineNumber(i) || s.second != in_.lineText(i)) return true;
    }
    return false;
}

void COrvellanDoc::setModifiedFlag(bool on) { modified_ = on; }

void COrvellanDoc::markClean() {
    modified_ = false;
    saved_.clear();
    for (int i = 0; i < in_.lineCount(); ++i) saved_.emplace_back(in_.lineNumber(i), in_.lineText(i));
}

void COrvellanDoc::setPath(const QString& path) {
    path_ = path;
    Q_EMIT titleChanged();
}

void COrvellanDoc::onNewDocument() {
    in_.clearProgram();
    markClean();
    setPath(QString());
}

bool COrvellanDoc::onOpenDocument(const QString& name, QString* error) {
    // Absolute before reading: reading changes the current directory.
    const QString path = QFileInfo(name).absoluteFilePath();
    if (!programfile::load(in_, path, error)) return false;
    markClean();
    setPath(path);
    return true;
}

bool COrvellanDoc::onSaveDocument(const QString& name, QString* error) {
    const QString path = QFileInfo(name).absoluteFilePath();
    if (!programfile::save(in_, path, error)) return false;
    markClean();
    setPath(path);
    return true;
}

}  // namespace tw
