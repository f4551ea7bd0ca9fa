#pragma once
// Splits a stored photo-tagger project into two new ones at a chosen tag.
// The old project goes away only once both new ones are complete; a split
// cut off is finished or taken back when the projects are next opened.
#include <QDialog>

class PTData;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

class DBPhotoTaggerSplitDiag : public QDialog {
    Q_OBJECT
public:
    DBPhotoTaggerSplitDiag(QString projectName, QWidget *parent = nullptr);
    ~DBPhotoTaggerSplitDiag() override;

public slots:
    void splitClicked();
    void validateSplitBut();
    void splitchanged(int s);

private:
    void error(const QString &title, const QString &text);

    PTData *m_data;
    QString m_name;
    int m_count = 0;
    QSpinBox *m_split;
    QLabel *m_first;
    QLabel *m_second;
    QLineEdit *m_firstName;
    QLineEdit *m_secondName;
    QPushButton *m_splitButton;
};
