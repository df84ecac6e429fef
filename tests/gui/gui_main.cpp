// The window tests run headless on the offscreen platform, with settings
// (the recent-file list) kept in a private directory.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "gui/app.h"
#include "gui_support.h"

namespace twtest {

int pdfPageCount(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QString pdf = QString::fromLatin1(f.readAll());
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![a-zA-Z])"));
    int n = 0;
    for (auto it = page.globalMatch(pdf); it.hasNext(); it.next()) ++n;
    return n;
}

}  // namespace twtest

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QApplication app(argc, argv);
    tw::COrvellanApp::setNames();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
