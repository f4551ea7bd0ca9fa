#pragma once
// The coloured connection and system-status button of the status line.
#include <QColor>
#include <QPushButton>
#include <QStringList>

class BLStatusButton : public QPushButton {
    Q_OBJECT
public:
    enum State { Disconnected = 0, Initialization, SystemOk, SystemError, Warning, Error };

    explicit BLStatusButton(QWidget *parent = nullptr);

    int state() const { return m_state; }
    QString stateText() const { return m_text; }
    QColor stateColor() const { return m_colour; }
    bool isInitialising() const { return m_initialising; }

    void setSystemStatus(int level);

public slots:
    void devOpenend();
    void deviceClosed();
    void comACI();
    void comV1();
    void coreErrors(const QStringList &errors);
    void aciSyncStatus(quint8 phase, quint8 percent);

protected:
    void paintEvent(QPaintEvent *) override;

private:
    void setState(int state, const QString &text, const QColor &colour);

    int m_state = Disconnected;
    QString m_text;
    QColor m_colour;
    bool m_initialising = true;
    bool m_connected = false;
    bool m_protocolKnown = false;
};
