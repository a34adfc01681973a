#pragma once
// The "Control" tab's editor of one barcode type's settings: pick a type, see the
// controls that matter for it, and every change saves the type's nineteen keys at once.
#include <QString>
#include <QWidget>
#include <array>
#include <string>
#include <vector>

#include "components/ini/ini_file.h"
#include "components/sound/sound_control.h"
#include "core/services.h"
#include "settings/editor_rules.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace blenvar {

class TypeEditor : public QWidget {
    Q_OBJECT
  public:
    TypeEditor(INIFile& ini, SoundControl& sound, const std::vector<std::string>& types,
               ShellOpener& opener, QWidget* parent = nullptr);
    ~TypeEditor() override;

    // While set, nothing is written (controls may still be filled and refreshed).
    void SetLoading(bool loading) { loading_ = loading; }
    bool Loading() const { return loading_; }
    // Selects the type in the list and loads its settings (also when already selected).
    void SelectType(const std::string& type);
    // Fills empty fields and saves the shown type's settings. False when the write
    // failed; the reason goes out through statusMessage. Saves nothing while loading
    // or without a type, and returns true then.
    bool SaveCurrentType();
    std::string CurrentType() const;

  public slots:
    // The encoding options changed: the identifier field follows "Other". Saves the type
    // as any other change does, unless it was already so.
    void SetOtherEncoding(bool other);

  signals:
    void statusMessage(const QString& message);
    // The code help's link: the Help tab at this anchor.
    void helpRequested(const QString& anchor);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* Control(EditorControl c) const { return controls_[static_cast<std::size_t>(c)]; }
    QCheckBox* Box(EditorControl c) const;
    QLineEdit* Edit(EditorControl c) const;
    void Build();
    void LoadType();
    void Show(const TypeSettings& s);
    TypeSettings Taken() const;
    // Enabled states and background colours from the switches.
    void Refresh();
    void ChooseFile();
    void ChooseCertificate();
    void ShowCodeHelp();
    void ShowSoundPanel();

    INIFile& ini_;
    SoundControl& sound_;
    [[maybe_unused]] ShellOpener& opener_;
    std::vector<std::string> types_;
    bool loading_ = false;
    bool otherEncoding_ = false;
    TypeSettings loaded_;  // as last put into the controls, for byte-exact write-back
    QComboBox* combo_ = nullptr;
    QLabel* convertNote_ = nullptr;  // where converted book and magazine scans go
    QComboBox* gs1_ = nullptr;       // "Read GS1 fields", in Gs1Choice order
    std::array<QWidget*, kEditorControlCount> controls_{};
};

}  // namespace blenvar
