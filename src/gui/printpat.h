// CPrint_Pat: chooses between printing the listing (a range of line
// positions, 50/75/100 rows a page) and printing the screen image (positive
// or negative).
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QRadioButton;

namespace tw {

struct PrintSettings;

class CPrint_Pat : public QDialog {
    Q_OBJECT
public:
    explicit CPrint_Pat(QWidget* parent = nullptr);

    void setSettings(const PrintSettings& s);
    // Copies the choices into `s` (pages untouched).
    void settings(PrintSettings& s) const;

    QLineEdit* firstEdit() const { return first_; }
    QLineEdit* lastEdit() const { return last_; }
    QRadioButton* listingRadio() const { return listing_; }
    QRadioButton* screenRadio() const { return screen_; }
    QRadioButton* pageRadio(int i) const { return perPage_[i]; }
    QRadioButton* negativeRadio() const { return negative_; }
    QString problem() const;

    void accept() override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    QRadioButton* listing_;
    QLineEdit* first_;
    QLineEdit* last_;
    QRadioButton* perPage_[3];
    QRadioButton* screen_;
    QRadioButton* positive_;
    QRadioButton* negative_;
    QLabel* problem_;
    int firstValue_ = 1;
    int lastValue_ = 65536;
};

}  // namespace tw
