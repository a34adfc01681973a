#include "platform/qt/qt_messages.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>

namespace blenvar {
namespace {

void (*g_onFatal)(const char*) = nullptr;

void Handler(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtFatalMsg) return;
    const QByteArray text = message.toLocal8Bit();
    if (g_onFatal) g_onFatal(text.constData());
    std::fprintf(stderr, "%s\n", text.constData());
}

}  // namespace

void QuietDesktopMessages(void (*onFatal)(const char* message)) {
    g_onFatal = onFatal;
    qInstallMessageHandler(Handler);
    setenv("GST_DEBUG", "0", 0);
    setenv("PULSE_LOG", "0", 0);
}

}  // namespace blenvar
