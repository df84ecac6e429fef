// CDlgDeleteCut: asks for a range of line numbers (start and end, each
// 1..65536) for the partial copy, cut and delete of the listing.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

namespace tw {

class CDlgDeleteCut : public QDialog {
    Q_OBJECT
public:
    explicit CDlgDeleteCut(QWidget* parent = nullptr);

    // The line naming the operation ("リストの部分コピー" and so on).
    void setCaption(const QString& text);
    void setRange(int start, int end);
    int start() const { return start_; }
    int end() const { return end_; }

    QLineEdit* startEdit() const { return startEdit_; }
    QLineEdit* endEdit() const { return endEdit_; }
    // The note shown when a number is out of range (empty while none is).
    QString problem() const;

    void accept() override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    QLabel* caption_;
    QLineEdit* startEdit_;
    QLineEdit* endEdit_;
    QLabel* problem_;
    int start_ = 1;
    int end_ = 65536;
};

// Reads the first and last line number fields of a range dialog. When one
// is not a line number, shows why in `problem`, selects that field for
// correcting and returns false; otherwise hides `problem`.
bool readLineRangeFields(QLineEdit* firstEdit, QLineEdit* lastEdit, QLabel* problem, int& first, int& last);

}  // namespace tw
