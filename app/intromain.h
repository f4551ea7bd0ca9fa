#pragma once
// The six-page introduction shown at start-up and from the Help menu.
#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

class IntroMain : public QDialog {
    Q_OBJECT
public:
    explicit IntroMain(QWidget *parent = nullptr);

    int page() const { return m_page; }
    QPushButton *backButton() const { return m_back; }
    QPushButton *nextButton() const { return m_next; }
    QPushButton *closeButton() const { return m_close; }
    QCheckBox *checkBox() const { return m_check; }
    QLabel *textLabel() const { return m_text; }
    QLabel *pictureLabel() const { return m_picture; }

private slots:
    void nextClicked();
    void backClicked();
    void closeClicked();
    void checkBoxClicked();

private:
    void loadPage(int n);
    int m_page = 0;
    QLabel *m_picture;
    QLabel *m_text;
    QPushButton *m_back;
    QPushButton *m_next;
    QPushButton *m_close;
    QCheckBox *m_check;
};
