#pragma once
// Outside addresses the shell opens; each can be pointed elsewhere through
// the environment (tests use loopback servers or a URL catcher).
#include <QUrl>

namespace ShellUrls {
QUrl manual();        // KORVEL_MANUAL_URL
QUrl feedbackMail();  // KORVEL_FEEDBACK_MAIL (an address)
}  // namespace ShellUrls
