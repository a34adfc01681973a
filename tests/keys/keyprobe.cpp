// blenvar-keyprobe OUTPUT_FILE [READY_FILE]
// A window that takes the keyboard focus (no window manager needed) and
// appends what it receives to OUTPUT_FILE, flushed per key: printable text as
// typed, Enter "\n", Tab "\t", other keys and Ctrl/Alt chords as "<Ctrl+A>".
// Writes READY_FILE (or prints "ready") once it holds the focus.
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace {

bool IsModifierKey(int key) {
    switch (key) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_Meta:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R:
        case Qt::Key_Hyper_L:
        case Qt::Key_Hyper_R:
        case Qt::Key_unknown:
            return true;
        default:
            return false;
    }
}

class Probe : public QWidget {
  public:
    Probe(std::FILE* out, QString readyPath) : out_(out), readyPath_(std::move(readyPath)) {
        setFocusPolicy(Qt::StrongFocus);
        setWindowTitle("blenvar-keyprobe");
        resize(320, 80);
    }

    void Poll() {
        if (ready_) return;
        if (isActiveWindow() && hasFocus()) {
            ready_ = true;
            if (readyPath_.isEmpty()) {
                std::printf("ready\n");
                std::fflush(stdout);
            } else if (std::FILE* f = std::fopen(readyPath_.toLocal8Bit().constData(), "w")) {
                std::fputs("ready\n", f);
                std::fclose(f);
            }
            return;
        }
        activateWindow();
        setFocus();
    }

  protected:
    bool event(QEvent* e) override {
        // Take every key ourselves: no focus chain for Tab, no shortcuts.
        if (e->type() == QEvent::ShortcutOverride) {
            e->accept();
            return true;
        }
        if (e->type() == QEvent::KeyPress) {
            Record(static_cast<QKeyEvent*>(e));
            return true;
        }
        return QWidget::event(e);
    }

  private:
    void Record(const QKeyEvent* e) {
        const int key = e->key();
        if (IsModifierKey(key)) return;
        const Qt::KeyboardModifiers chord =
            e->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
        QString s;
        if (chord != Qt::NoModifier) {
            s = "<" + QKeySequence(QKeyCombination(e->modifiers(), Qt::Key(key))).toString() + ">";
        } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            s = "\n";
        } else if (key == Qt::Key_Tab) {
            s = "\t";
        } else if (!e->text().isEmpty() && e->text().at(0).isPrint()) {
            s = e->text();
        } else {
            s = "<" + QKeySequence(QKeyCombination(e->modifiers(), Qt::Key(key))).toString() + ">";
        }
        const QByteArray bytes = s.toUtf8();
        std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), out_);
        std::fflush(out_);
    }

    std::FILE* out_;
    QString readyPath_;
    bool ready_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: blenvar-keyprobe OUTPUT_FILE [READY_FILE]\n");
        return 2;
    }
    std::FILE* out = std::fopen(argv[1], "ab");
    if (out == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    Probe probe(out, argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString());
    probe.show();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &probe, [&probe] { probe.Poll(); });
    poll.start(50);
    const int rc = app.exec();
    std::fclose(out);
    return rc;
}
