#pragma once
// The sound-event settings window: lists an application's sound events with their
// current and default files and lets the user choose, play, reset or clear each one.
#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <string>

#include "components/sound/sound_control.h"

class QTableWidget;
class QLabel;

namespace blenvar {

// Problems with the store itself (a damaged or busy file) show in the status line and in
// a message box that does not hold up the window.
class SoundEventsWindow : public QWidget, private Notifier {
    Q_OBJECT
  public:
    SoundEventsWindow(const std::string& appTitle, std::shared_ptr<RegistryStore> store,
                      SoundPlayer& player, QWidget* parent = nullptr);

    // Event names as the store spells them, in the order shown.
    QStringList Events() const;
    QString CurrentFile(const QString& event);
    QString DefaultFile(const QString& event);
    // Message of the last action that failed, empty after a successful one.
    const QString& LastError() const { return lastError_; }
    // What the store last reported about its file, if anything.
    const QString& StoreMessage() const { return storeMessage_; }
    QTableWidget* Table() const { return table_; }

    // Selects the event's row, when there is one.
    void SelectEvent(const QString& event);

  public slots:
    void Reload();
    // Each returns false (see LastError) when the store refused or the event is unknown.
    bool ChooseFile(const QString& event, const QString& path);
    bool ResetToDefault(const QString& event);
    bool ClearSound(const QString& event);
    bool PlayEvent(const QString& event);
    void StopPlaying();

  private slots:
    void OnChoose();
    void OnPlay();
    void OnReset();
    void OnClear();

  private:
    QString SelectedEvent() const;
    bool Known(const QString& event);
    bool SetCurrent(const QString& event, const std::string& file);
    void Notify(const std::string& message) override;
    void ShowWarning(const QString& text);
    template <class F>
    bool Guarded(F&& action);
    void Report();

    // Room for this many rows before the list scrolls, as far as the screen allows.
    void FitRows(int rows);

    QTableWidget* table_ = nullptr;
    QList<QWidget*> eventButtons_;  // useless without an event
    QLabel* status_ = nullptr;
    SoundControl sound_;
    QStringList events_;
    QString lastError_;
    QString storeMessage_;
};

}  // namespace blenvar
