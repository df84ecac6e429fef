// CAboutDlg: the program's name and version.
#pragma once

#include <QDialog>

namespace tw {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    static QString versionText();
};

}  // namespace tw
