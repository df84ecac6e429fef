// CDlgList: the whole listing in an editable text box, with a column ruler,
// the choice between replacing the program and merging into it, and the
// buttons OK, SORT and RENUM that each hand the text back to the program.
#pragma once

#include <QDialog>

class QPlainTextEdit;
class QRadioButton;
class QPushButton;

namespace tw {

class CDlgList : public QDialog {
    Q_OBJECT
public:
    // The button that closed the dialog with the text.
    enum Result { Ok = 0, Sort = 1, Renum = 2 };
    static constexpr int MaxChars = 65536;

    explicit CDlgList(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const;
    // True: "新規挿入" (the program is replaced); false: "挿入置換" (merged).
    bool replaceAll() const;
    void setReplaceAll(bool on);
    Result choice() const { return choice_; }

    QPlainTextEdit* editor() const { return edit_; }
    QPushButton* button(Result r) const;
    QRadioButton* replaceRadio() const { return replace_; }
    QRadioButton* mergeRadio() const { return merge_; }

    // "1234567890" eight times: the columns of an 80-column row.
    static QString ruler();

protected:
    void showEvent(QShowEvent* e) override;

private:
    void finish(Result r);
    void limitLength();

    QPlainTextEdit* edit_;
    QRadioButton* replace_;
    QRadioButton* merge_;
    QPushButton* ok_;
    QPushButton* sort_;
    QPushButton* renum_;
    Result choice_ = Ok;
};

}  // namespace tw
