// The gas alarm's sound player, loaded by the link library the first time an
// alarm sounds: the multimedia libraries (audio server client, codecs) then
// stay out of the program's start. A plain C interface, so this module needs
// nothing of ours and shares no C++ types with the program.
#include <QHash>
#include <QNetworkAccessManager>
#include <QSoundEffect>
#include <QString>
#include <QUrl>

namespace {
// Destroying a QSoundEffect while the toolkit's sample cache still loads its
// sound can hang for good. So each sound gets one effect, made when it is
// first played and kept until the process ends.
QSoundEffect *sharedEffect(const QString &resource)
{
    static QHash<QString, QSoundEffect *> effects;
    QSoundEffect *&effect = effects[resource];
    if (!effect) {
        // The sample cache reads sounds through network access on a thread
        // of its own; the first network access anywhere sets up the shared
        // network-configuration state. Done there, it can still run while
        // the process exits and crash in the exit handlers. Done here, on
        // the application's thread, it is torn down with the application
        // and never set up again.
        if (effects.size() == 1)
            QNetworkAccessManager();
        effect = new QSoundEffect;
        effect->setSource(QUrl(QStringLiteral("qrc") + resource));
    }
    return effect;
}

int effectLoops(int loops)
{
    return loops < 0 ? int(QSoundEffect::Infinite) : loops;
}
}  // namespace

extern "C" {

// The effect for a resource path (":/sounds/alarm.wav"); owned by the module.
Q_DECL_EXPORT void *korvel_gas_sound(const char *resource)
{
    return sharedEffect(QString::fromUtf8(resource));
}

Q_DECL_EXPORT void korvel_gas_sound_set_loops(void *sound, int loops)
{
    static_cast<QSoundEffect *>(sound)->setLoopCount(effectLoops(loops));
}

Q_DECL_EXPORT int korvel_gas_sound_playing(void *sound)
{
    return static_cast<QSoundEffect *>(sound)->isPlaying() ? 1 : 0;
}

Q_DECL_EXPORT void korvel_gas_sound_play(void *sound)
{
    static_cast<QSoundEffect *>(sound)->play();
}

Q_DECL_EXPORT void korvel_gas_sound_stop(void *sound)
{
    static_cast<QSoundEffect *>(sound)->stop();
}
}
