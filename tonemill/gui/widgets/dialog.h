// What every dialog of the program shares: a help context shown by its Help button and F1,
// activation work that runs once on the first show (Qt activates a dialog again after every
// message box), and a run during which only Cancel is live and closing the window is a Cancel.
#pragma once

#include <QDialog>
#include <QPointer>
#include <vector>

class QAbstractButton;

namespace tonemill::ui {

class TDialog : public QDialog {
  Q_OBJECT
 public:
  TDialog(QWidget* parent, int helpContext);
  ~TDialog() override;

  int HelpContext() const { return helpContext_; }
  void SetHelpContext(int context) { helpContext_ = context; }
  bool Running() const { return running_; }
  // Shows the window, then runs the first show's work (FormActivate).
  void setVisible(bool visible) override;

 public slots:
  void HelpBtnClick();

 protected:
  // The dialog's first-show work (the system's FormActivate).
  virtual void FormActivate() {}
  // Called when the window is closed or Esc pressed during a run.
  virtual void CancelRun() {}
  // For a dialog with nothing that gains from height, called once it is laid out on the
  // screen (FormActivate): it grows no taller than its content; where the window system
  // ignores that limit, the height left over stays below the last row.
  void KeepContentHeight();

  // While it lives, every control but `cancel` is disabled and a close of the window asks
  // for CancelRun instead.
  class RunScope {
   public:
    RunScope(TDialog& dialog, QAbstractButton* cancel);
    ~RunScope();
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

   private:
    TDialog& dialog_;
    std::vector<QPointer<QWidget>> disabled_;
  };

  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void reject() override;

 private:
  int helpContext_;
  bool measured_ = false;
  bool activated_ = false;
  bool running_ = false;
};

// The layout, at or under `layout`, whose item `widget` is; none when no layout holds it. For
// dialogs that add a control beside one of their form's.
QLayout* LayoutHolding(QLayout* layout, QWidget* widget);

}  // namespace tonemill::ui
