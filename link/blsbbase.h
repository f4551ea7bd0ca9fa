#pragma once
// Common frame of the status-line telemetry widgets: a label on the left, a
// value on the right, and optional red/yellow pulses behind them.
#include <QColor>
#include <QWidget>
#include <functional>

class QPropertyAnimation;

class BLSBBase : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int pError READ pError WRITE setPError)
    Q_PROPERTY(int pWarning READ pWarning WRITE setPWarning)
public:
    explicit BLSBBase(QWidget *parent = nullptr);

    int pError() const { return m_pError; }
    int pWarning() const { return m_pWarning; }
    void setPError(int v);
    void setPWarning(int v);

    bool errorPulseRunning() const;
    bool warningPulseRunning() const;

protected:
    // A one-second pulse of the property up to peak and back to 0; finished
    // is invoked each time it ends.
    QPropertyAnimation *makePulse(const QByteArray &property, int peak, std::function<void()> finished);
    void startPulse(QPropertyAnimation *pulse);
    // Background, optional overlay, then label and value in black.
    void paintFrame(const QString &label, const QString &value, const QColor &overlay,
                    const QFont *font = nullptr);

    QPropertyAnimation *m_errorPulse = nullptr;
    QPropertyAnimation *m_warningPulse = nullptr;

private:
    int m_pError = 0;
    int m_pWarning = 0;
};
