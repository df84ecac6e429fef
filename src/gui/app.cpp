#include "gui/app.h"

#include <iostream>

#include <QApplication>

#include "gui/dialogs.h"
#include "gui/mainframe.h"

namespace tw {

COrvellanApp::COrvellanApp(Dialogs* dialogs) {
    if (!dialogs) ownDialogs_ = std::make_unique<Dialogs>();
    dialogs_ = dialogs ? dialogs : ownDialogs_.get();
}

COrvellanApp::~COrvellanApp() = default;

void COrvellanApp::setNames() {
    // The recent-file list lives under these names.
    QCoreApplication::setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    QCoreApplication::setApplicationName(QStringLiteral("TARNWICK"));
    QCoreApplication::setApplicationVersion(QStringLiteral("0.1"));
}

bool COrvellanApp::initInstance(const QString& file) {
    setNames();
    frame_ = std::make_unique<CMainFrame>(*dialogs_);
    if (!file.isEmpty() && !frame_->openDocumentFile(file)) return false;
    frame_->show();
    return true;
}

int runWindow(int argc, char** argv) {
    QApplication app(argc, argv);
    QString file;
    const QStringList args = QApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i].startsWith(QLatin1Char('-'))) {
            std::cerr << "tarnwick: unknown option " << args[i].toStdString() << "\n";
            return 2;
        }
        if (!file.isEmpty()) {
            std::cerr << "tarnwick: only one program file may be given\n";
            return 2;
        }
        file = args[i];
    }
    COrvellanApp theApp;
    if (!theApp.initInstance(file)) return 1;
    return app.exec();
}

}  // namespace tw
