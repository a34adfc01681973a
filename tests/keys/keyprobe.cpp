// blenvar-keyprobe OUTPUT_FILE READY_FILE
// A window that takes the keyboard focus (no window manager needed) and
// appends what it receives to OUTPUT_FILE, flushed per key: printable text as
// typed, Enter "\n", Tab "\t", other keys and Ctrl/Alt chords as "<Ctrl+A>".
// Writes READY_FILE once it holds the focus.
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>

namespace {

class Probe : public QWidget {
  public:
    Probe(std::FILE* out, QString readyPath) : out_(out), readyPath_(std::move(readyPath)) {
        setFocusPolicy(Qt::StrongFocus);
        setWindowTitle("blenvar-keyprobe");
        resize(320, 80);
    }

    void Poll() {
        if (ready_) return;
        if (!isActiveWindow() || !hasFocus()) {
            activateWindow();
            setFocus();
            return;
        }
        ready_ = true;
        if (std::FILE* f = std::fopen(readyPath_.toLocal8Bit().constData(), "w")) std::fclose(f);
    }

  protected:
    bool event(QEvent* e) override {
        // Take every key ourselves: no focus chain for Tab, no shortcuts.
        if (e->type() == QEvent::ShortcutOverride) {
            e->accept();
            return true;
        }
        if (e->type() != QEvent::KeyPress) return QWidget::event(e);
        Record(static_cast<QKeyEvent*>(e));
        return true;
    }

  private:
    void Record(const QKeyEvent* e) {
        static constexpr Qt::Key kModifierKeys[] = {
            Qt::Key_Shift,   Qt::Key_Control, Qt::Key_Alt,     Qt::Key_AltGr,   Qt::Key_Meta,
            Qt::Key_Super_L, Qt::Key_Super_R, Qt::Key_Hyper_L, Qt::Key_Hyper_R, Qt::Key_unknown};
        const auto key = Qt::Key(e->key());
        if (std::find(std::begin(kModifierKeys), std::end(kModifierKeys), key) !=
            std::end(kModifierKeys)) {
            return;
        }
        const bool chord = e->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
        const QString text = e->text();
        QString s = "<" + QKeySequence(QKeyCombination(e->modifiers(), key)).toString() + ">";
        if (!chord && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            s = "\n";
        } else if (!chord && key == Qt::Key_Tab) {
            s = "\t";
        } else if (!chord && !text.isEmpty() && text.at(0).isPrint()) {
            s = text;
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
    std::FILE* out = argc == 3 ? std::fopen(argv[1], "ab") : nullptr;
    if (out == nullptr) {
        std::fprintf(stderr, "usage: blenvar-keyprobe OUTPUT_FILE READY_FILE\n");
        return 2;
    }
    Probe probe(out, QString::fromLocal8Bit(argv[2]));
    probe.show();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &probe, [&probe] { probe.Poll(); });
    poll.start(50);
    const int rc = app.exec();
    std::fclose(out);
    return rc;
}
