#include "gui/app.h"

#include <iostream>

#include <QApplication>

#include "core/ratelimit.h"
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
    int64_t rate = 0;
    const QStringList args = QApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        QString a = args[i];
        if (a == QLatin1String("--speed") || a.startsWith(QLatin1String("--speed="))) {
            QString v;
            if (a.startsWith(QLatin1String("--speed="))) v = a.mid(8);
            else if (i + 1 < args.size()) v = args[++i];
            const auto r = speed::parse(v.toStdString());
            if (!r) {
                std::cerr << "tarnwick: bad --speed value (full, original or statements a second): "
                          << v.toStdString() << "\n";
                return 2;
            }
            rate = *r;
            continue;
        }
        if (a.startsWith(QLatin1Char('-'))) {
            std::cerr << "tarnwick: unknown option " << a.toStdString() << "\n";
            return 2;
        }
        if (!file.isEmpty()) {
            std::cerr << "tarnwick: only one program file may be given\n";
            return 2;
        }
        file = a;
    }
    COrvellanApp theApp;
    if (!theApp.initInstance(file)) return 1;
    theApp.mainFrame()->setSpeed(rate);
    return app.exec();
}

}  // namespace tw
