#include "TMmain.h"

#include "ui_TMmain.h"

#include "platform/messages.h"
#include "platform/qt/cursor.h"
#include "platform/qt/help.h"
#include "platform/qt/printing.h"
#include "tonemill/gui/app/AboutBox.h"
#include "tonemill/gui/app/ChangeDlg.h"
#include "tonemill/gui/app/DirPickDlg.h"
#include "tonemill/gui/app/GroupyDlg.h"
#include "tonemill/gui/app/PlayDlg.h"
#include "tonemill/gui/app/RunForm.h"
#include "tonemill/gui/render/ConvertDlg.h"
#include "tonemill/gui/render/MakeWavsDlg.h"
#include "tonemill/gui/render/RenderDlg.h"
#include "tonemill/gui/app/EditDlg.h"
#include "tonemill/ops/midiutils.h"
#include "tonemill/ops/playback.h"
#include "tonemill/ops/scanedit.h"
#include "tonemill/gui/wave/WavscanDlg.h"
#include "tonemill/files/wavheader.h"
#include "tonemill/ops/fileoperations.h"
#include "tonemill/gui/widgets/fieldexit.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <QShortcut>
#include <QStorageInfo>

namespace tonemill::app {
namespace {

std::string Settings::*const kDirectoryFields[] = {&Settings::MID,  &Settings::LST, &Settings::Song,
                                                   &Settings::PRG,  &Settings::WAV, &Settings::Temp,
                                                   &Settings::DFT};

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

std::vector<std::string> Paths(const QStringList& list) {
  std::vector<std::string> paths;
  for (const QString& p : list) paths.push_back(S(p));
  return paths;
}

}  // namespace

TTMmain::TTMmain(SettingsLocation location, QWidget* parent)
    : QMainWindow(parent), ui_(std::make_unique<Ui::TMmain>()), location_(std::move(location)) {
  ui_->setupUi(this);
  fields_ = {ui_->MIDdir, ui_->LSTdir, ui_->Songdir, ui_->PRGdir,
             ui_->WAVdir, ui_->Tempdir, ui_->DFTdir};
  radios_ = {ui_->MIDRadio, ui_->LSTRadio, ui_->SongRadio, ui_->PRGRadio,
             ui_->WAVRadio, ui_->TempRadio, ui_->DFTRadio};
  browse_ = {ui_->MIDBrowse, ui_->LSTBrowse, ui_->SongBrowse, ui_->PRGBrowse,
             ui_->WAVBrowse, ui_->TempBrowse, ui_->DFTBrowse};
  for (int i = 0; i < 7; ++i) {
    connect(radios_[i], &QRadioButton::clicked, this, [this, i] { SelectorClick(i); });
    connect(browse_[i], &QToolButton::clicked, this, [this, i] { BrowseClick(i); });
    ui::FieldExit::Install(fields_[i], [this, i] {
      DirExit(i);
      return ui_->FileListBox->isEnabled();
    });
    fields_[i]->setMinimumWidth(fontMetrics().averageCharWidth() * 30);
  }
  ui_->FileListBox->ShowDate = ui_->FileListBox->ShowTime = false;
  for (const FilterChoice& c : ParseFilter(kFileFilter)) {
    QStringList patterns;
    for (const std::string& p : c.patterns) patterns << Q(p);
    ui_->FilterComboBox->addItem(Q(c.caption), patterns);
  }
  // The box is as wide as the short choices; its list opens wide enough for the longest.
  ui_->FilterComboBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  ui_->FilterComboBox->setMinimumContentsLength(int(QString("WAV (*.WAV)").size()) + 4);
  ui_->FilterComboBox->view()->setMinimumWidth(ui_->FilterComboBox->view()->sizeHintForColumn(0) +
                                               2 * ui_->FilterComboBox->view()->frameWidth() + 8);
  ui_->PlacesComboBox->addItem(tr("Working directory"), QString());
  ui_->PlacesComboBox->addItem(tr("Home"), QDir::homePath());
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    const QString root = volume.rootPath();
    if (!volume.isValid() || !volume.isReady()) continue;
    if (root != "/" && !root.startsWith("/media/") && !root.startsWith("/mnt/") &&
        !root.startsWith("/run/media/") && !root.startsWith("/home"))
      continue;
    const QString name = volume.displayName() == root ? root : volume.displayName() + " (" + root + ")";
    ui_->PlacesComboBox->addItem(name, root);
  }
  connect(ui_->FileListBox, &QListWidget::itemSelectionChanged, this, &TTMmain::FileListBoxClick);
  connect(ui_->FileListBox, &QListWidget::currentItemChanged, this, &TTMmain::FileListBoxClick);
  connect(ui_->FileListBox, &TExtFileListBox::DirectoryEntered, this, [this](const QString& d) {
    SelectDirectory(d);
  });
  connect(ui_->FileListBox, &TExtFileListBox::FilesDropped, this, &TTMmain::DropFiles);
  connect(ui_->FilterComboBox, &QComboBox::currentIndexChanged, this,
          &TTMmain::FilterComboBoxChange);
  connect(ui_->PlacesComboBox, &QComboBox::activated, this, &TTMmain::PlacesComboBoxChange);
  connect(ui_->UpdateBtn, &QToolButton::clicked, this, &TTMmain::UpdateBtnClick);
  const std::pair<QPushButton*, void (TTMmain::*)()> buttons[] = {
      {ui_->PlayBtn, &TTMmain::PlayBtnClick},     {ui_->ScanBtn, &TTMmain::ScanBtnClick},
      {ui_->EditBtn, &TTMmain::EditBtnClick},     {ui_->ConvertBtn, &TTMmain::ConvertBtnClick},
      {ui_->PrintBtn, &TTMmain::PrintBtnClick},   {ui_->CopyBtn, &TTMmain::CopyBtnClick},
      {ui_->MoveBtn, &TTMmain::MoveBtnClick},     {ui_->DeleteBtn, &TTMmain::DeleteBtnClick},
      {ui_->VSBtn, &TTMmain::VSBtnClick},         {ui_->LXBtn, &TTMmain::LXBtnClick},
      {ui_->AboutBtn, &TTMmain::AboutBtnClick},   {ui_->HelpBtn, &TTMmain::HelpBtnClick},
      {ui_->ExitBtn, &TTMmain::ExitBtnClick}};
  for (const auto& [button, handler] : buttons) connect(button, &QPushButton::clicked, this, handler);
  auto* f1 = new QShortcut(QKeySequence::HelpContents, this);
  connect(f1, &QShortcut::activated, this, &TTMmain::HelpBtnClick);
  FormCreate();
}

TTMmain::~TTMmain() { ui::FieldExit::DisarmAll(this); }

QString TTMmain::Resolved(const std::string& text) const {
  // Relative entries are taken from the program directory once, here: the program never
  // changes its working directory, so "LST" cannot come to mean MID/LST later.
  const QString t = Q(text);
  if (t.isEmpty() || QDir::isAbsolutePath(t)) return t;
  return QDir::cleanPath(QDir(Q(location_.programDirectory)).absoluteFilePath(t));
}

void TTMmain::FormCreate() {
  std::string error;
  if (!LoadSettings(location_, settings_, error)) {
    platform::ShowError(error);
    settings_ = DefaultSettings(location_);
  }
  loaded_ = settings_;
  if (const std::optional<std::string> old = MovedFolderOf(location_, settings_)) {
    const platform::Answer use = platform::Show(
        {platform::MessageKind::Confirmation, platform::Buttons::YesNo, platform::Topic::Confirm,
         MovedFolderMessage(*old, location_), "Use the directories in " + location_.dataDirectory + "?",
         true});
    if (use == platform::Answer::Yes) {
      UseLocalDirectories(location_, settings_);
      if (SaveSettings(location_, loaded_, settings_)) loaded_ = settings_;
    }
  }
  for (Selector s : kSelectors) {
    const size_t i = size_t(s);
    resolvedAtStart_[i] = Resolved(settings_.*kDirectoryFields[i]);
    fields_[i]->setText(resolvedAtStart_[i]);
  }
  radios_[size_t(Selector::MID)]->setChecked(true);
  SelectorClick(int(Selector::MID));
  RestorePlace();
}

void TTMmain::RestorePlace() {
  storedPlace_ = ReadSettingsKeys(location_, kWindowSection, WindowKeys());
  const std::optional<WindowPlace> place = PlaceOfKeys(storedPlace_);
  if (!place) return;
  const QRect wanted(place->left, place->top, place->width, place->height);
  QScreen* screen = QGuiApplication::screenAt(wanted.center());
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  const QSize minimum = minimumSizeHint().expandedTo(minimumSize());
  const WindowPlace fitted = ClampedPlace(*place, {area.x(), area.y(), area.width(), area.height()},
                                          minimum.width(), minimum.height());
  setGeometry(fitted.left, fitted.top, fitted.width, fitted.height);
  if (fitted.maximized) setWindowState(windowState() | Qt::WindowMaximized);
}

void TTMmain::SavePlace() {
  const QRect normal = isMaximized() ? normalGeometry() : geometry();
  const WindowPlace place{normal.x(), normal.y(), normal.width(), normal.height(), isMaximized()};
  // Only the keys that changed: another instance may have written its own place meanwhile.
  if (!SaveSettingsKeys(location_, kWindowSection, ChangedKeys(place, storedPlace_)))
    platform::ShowError("Can't write settings file " + location_.iniPath);
}

void TTMmain::DisableOperations() {
  for (QPushButton* b : {ui_->PlayBtn, ui_->ScanBtn, ui_->EditBtn, ui_->ConvertBtn, ui_->PrintBtn,
                         ui_->CopyBtn, ui_->MoveBtn, ui_->DeleteBtn})
    b->setEnabled(false);
}

void TTMmain::SetCaptions() {
  ui_->ConvertBtn->setText(ConvertCaption(selector_));
  ui_->PrintBtn->setText(PrintCaption(selector_));
}

void TTMmain::SelectorClick(int selector) {
  selector_ = Selector(selector);
  radios_[size_t(selector)]->setChecked(true);
  SetCaptions();
  ui_->PlacesComboBox->setCurrentIndex(0);
  SelectDirectory(fields_[size_t(selector)]->text());
}

void TTMmain::SelectDirectory(const QString& directory) {
  DisableOperations();
  ui_->DirLabel->setText(directory);
  const QFileInfo info(directory);
  if (directory.isEmpty() || !info.isDir() || !info.isExecutable()) {
    ui_->FileListBox->SetDirectory(QString());
    ui_->FileListBox->setEnabled(false);
    platform::ShowError("Can't find directory " + S(directory));
    return;
  }
  ui_->FileListBox->SetDirectory(QDir::cleanPath(info.absoluteFilePath()));
  ui_->FileListBox->SizePos = MainSizePos(ui_->FileListBox->count());
  ui_->FileListBox->setEnabled(true);
  ui_->DirLabel->setText(ui_->FileListBox->Directory());
  FileListBoxClick();
}

void TTMmain::DirExit(int selector) { SelectorClick(selector); }

void TTMmain::BrowseClick(int selector) {
  const QString field = fields_[size_t(selector)]->text();
  const QString start = QFileInfo(field).isDir() ? field : ui_->FileListBox->Directory();
  TdirPickDlg dialog(this, QString(SelectorName(Selector(selector))) + " Directory", start);
  if (dialog.exec() != QDialog::Accepted || !dialog.Changed()) return;
  fields_[size_t(selector)]->setText(dialog.Directory());
  SelectorClick(selector);
}

void TTMmain::FileListBoxClick() {
  const QStringList selected = ui_->FileListBox->SelectedFiles();
  QString current = ui_->FileListBox->FileName();
  if (current.isEmpty() && !selected.isEmpty()) current = selected.front();
  const Operations o =
      EnabledOperations(selector_, S(current), ui_->FileListBox->isEnabled() && !selected.isEmpty());
  ui_->PlayBtn->setEnabled(o.Play);
  ui_->ScanBtn->setEnabled(o.Scan);
  ui_->EditBtn->setEnabled(o.Edit);
  ui_->ConvertBtn->setEnabled(o.Convert);
  ui_->PrintBtn->setEnabled(o.Print);
  ui_->CopyBtn->setEnabled(o.Copy);
  ui_->MoveBtn->setEnabled(o.Move);
  ui_->DeleteBtn->setEnabled(o.Delete);
}

void TTMmain::FilterComboBoxChange(int index) {
  ui_->FileListBox->SetMask(ui_->FilterComboBox->itemData(index).toStringList());
  ui_->FileListBox->SizePos = MainSizePos(ui_->FileListBox->count());
  // A new filter starts without a selection, as a new directory does.
  ui_->FileListBox->clearSelection();
  DisableOperations();
}

void TTMmain::PlacesComboBoxChange(int index) {
  const QString place = ui_->PlacesComboBox->itemData(index).toString();
  if (place.isEmpty()) {
    SelectorClick(int(selector_));
    return;
  }
  // A place is only listed: no directory field and nothing in TM.INI changes.
  SelectDirectory(place);
}

void TTMmain::UpdateBtnClick() { Refresh(ui_->FileListBox->FileName()); }

void TTMmain::Refresh(const QString& previous) {
  if (!ui_->FileListBox->isEnabled()) return;
  ui_->FileListBox->Update();
  ui_->FileListBox->SizePos = MainSizePos(ui_->FileListBox->count());
  if (!previous.isEmpty() && QFileInfo::exists(previous)) ui_->FileListBox->SelectFile(previous);
  ui_->FileListBox->viewport()->update();
  FileListBoxClick();
}

void TTMmain::OpenFile(const QString& path) {
  const QFileInfo info(path);
  ui_->PlacesComboBox->setCurrentIndex(-1);
  SelectDirectory(info.absolutePath());
  ui_->FileListBox->SelectFile(info.absoluteFilePath());
  FileListBoxClick();
}

void TTMmain::PlayBtnClick() {
  const QString file = ui_->FileListBox->FileName().isEmpty()
                           ? ui_->FileListBox->SelectedFiles().value(0)
                           : ui_->FileListBox->FileName();
  const QString ext = QFileInfo(file).suffix().toLower();
  // Besides WAV and MID files, the audio files the decoder reads play decoded.
  const bool decoded = ops::NeedsDecoding(S(file));
  if (ext != "mid" && ext != "wav" && !decoded) {
    platform::ShowError("The extension must be WAV or MID!");
    return;
  }
  if (const TWAVheader header(S(file)); ext == "wav" && !decoded && !header.Valid) {
    // The fixed text first; what was wrong with the file below it.
    platform::ShowError("Error reading file!", WavInputProblem(header, S(file)));
    return;
  }
  TPlayDlg dialog(this, file, settings_);
  for (Selector s : kSelectors) dialog.SetDirectory(s, fields_[size_t(s)]->text());
  dialog.exec();
  Refresh(file);
}

void TTMmain::ScanBtnClick() { ScanFile(CurrentFile()); }
void TTMmain::EditBtnClick() { EditFile(CurrentFile()); }
void TTMmain::ConvertBtnClick() {
  if (selector_ == Selector::PRG)
    MakeWavsForPrgFiles();
  else
    ConvertFile(CurrentFile());
}

void TTMmain::PrintBtnClick() {
  if (selector_ == Selector::MID) {
    MakeWavsForMidi(CurrentFile());
    return;
  }
  const QString file = ui_->FileListBox->FileName();
  if (file.isEmpty()) return;
  const QString ext = QFileInfo(file).suffix().toUpper();
  if ((ext == "MID" || ext == "WAV") &&
      platform::Show({platform::MessageKind::Confirmation, platform::Buttons::YesNo,
                      platform::Topic::Confirm,
                      "File extension is " + S(ext) + "; do you REALLY want to print?"}) !=
          platform::Answer::Yes)
    return;
  QPrinter printer;
  if (QPrinterInfo::availablePrinters().isEmpty()) {
    // No printer on this machine: the text goes into a PDF file of the user's choice.
    const QString pdf = QFileDialog::getSaveFileName(
        this, tr("Print to PDF file"), QDir::home().filePath(QFileInfo(file).completeBaseName() + ".pdf"),
        tr("PDF files (*.pdf)"));
    if (pdf.isEmpty()) return;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
  } else {
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted) return;
  }
  QString error;
  platform::HourglassCursor hourglass;
  if (!platform::PrintTextFile(file, printer, error)) platform::ShowError(S(error));
}

void TTMmain::Transfer(bool move) {
  const QStringList selected = ui_->FileListBox->SelectedFiles();
  if (selected.isEmpty()) return;
  std::array<QString, 7> directories;
  for (Selector s : kSelectors) directories[size_t(s)] = fields_[size_t(s)]->text();
  const QString previous = ui_->FileListBox->FileName();
  if (selected.size() == 1) {
    const QString file = previous.isEmpty() ? selected.front() : previous;
    TchangeDlg dialog(this, move, file, QFileInfo(file).absolutePath(), directories, selector_);
    dialog.exec();
  } else {
    TgroupyDlg dialog(this, move, selected, ui_->FileListBox->Directory(), directories, selector_);
    dialog.exec();
  }
  Refresh(previous);
}

void TTMmain::DropFiles(const QStringList& files) {
  // Dropped files are copied into the listed directory through Copy, with its checks and
  // questions; the dialog shows where they go and OK copies.
  if (files.isEmpty() || !ui_->FileListBox->isEnabled()) return;
  std::array<QString, 7> directories;
  for (Selector s : kSelectors) directories[size_t(s)] = fields_[size_t(s)]->text();
  const QString target = ui_->FileListBox->Directory();
  if (files.size() == 1) {
    TchangeDlg dialog(this, false, files.front(), target, directories, selector_);
    dialog.exec();
    // A MIDI file, once copied, can be converted at once: Convert opens on the copy.
    if (dialog.Done() && QFileInfo(files.front()).suffix().compare("mid", Qt::CaseInsensitive) == 0) {
      const QString copy = dialog.Target();
      Refresh(copy);
      ConvertFile(copy);
      return;
    }
  } else {
    TgroupyDlg dialog(this, false, files, QFileInfo(files.front()).absolutePath(), directories, selector_);
    dialog.SetDestination(target);
    dialog.exec();
  }
  Refresh(ui_->FileListBox->FileName());
}

void TTMmain::CopyBtnClick() { Transfer(false); }
void TTMmain::MoveBtnClick() { Transfer(true); }

void TTMmain::DeleteBtnClick() {
  const QStringList selected = ui_->FileListBox->SelectedFiles();
  const QString previous = ui_->FileListBox->FileName();
  if (selected.size() == 1) {
    if (ops::DeleteOneFile(S(selected.front()))) Refresh(previous);
  } else if (selected.size() > 1) {
    if (ops::DeleteFiles(Paths(selected)) > 0) Refresh(previous);
  }
}

void TTMmain::VSBtnClick() {
  RunParameters p;
  p.first = S(ui_->FileListBox->Directory());
  p.directories = {S(fields_[size_t(Selector::PRG)]->text()),
                   S(fields_[size_t(Selector::WAV)]->text()),
                   S(fields_[size_t(Selector::Song)]->text())};
  TrunForm form(this, tr("Launch the Vespera"), kHelpVespera, tr("Vespera EXE"),
                Q(settings_.Vespera), p);
  if (form.exec() == QDialog::Accepted) settings_.Vespera = S(form.Program());
}

void TTMmain::LXBtnClick() {
  RunParameters p;
  p.directories = {S(fields_[size_t(Selector::PRG)]->text()),
                   S(fields_[size_t(Selector::WAV)]->text())};
  TrunForm form(this, tr("Launch the Lyrovox"), kHelpLyrovox, tr("Lyrovox EXE"),
                Q(settings_.Lyrovox), p);
  if (form.exec() == QDialog::Accepted) settings_.Lyrovox = S(form.Program());
}

void TTMmain::AboutBtnClick() {
  TAboutBox about(this, Q(location_.programDirectory), ui_->FileListBox->Directory());
  about.exec();
}

void TTMmain::HelpBtnClick() { platform::ShowHelpTopic(kHelpMain); }

void TTMmain::ExitBtnClick() { close(); }

void TTMmain::SaveFields() {
  for (Selector s : kSelectors) {
    const size_t i = size_t(s);
    const QString text = fields_[i]->text();
    // A directory the user did not touch keeps its entry as it was (relative stays relative).
    settings_.*kDirectoryFields[i] =
        text == resolvedAtStart_[i] ? loaded_.*kDirectoryFields[i] : S(text);
  }
}

void TTMmain::closeEvent(QCloseEvent* event) {
  SaveFields();
  // Only what this window changed: another process may have changed other entries meanwhile.
  if (!SaveSettings(location_, loaded_, settings_))
    platform::ShowError("Can't write settings file " + location_.iniPath);
  else
    SavePlace();
  platform::CloseHelp();
  event->accept();
}

QString TTMmain::CurrentFile() const {
  const QString current = ui_->FileListBox->FileName();
  return current.isEmpty() ? ui_->FileListBox->SelectedFiles().value(0) : current;
}

void TTMmain::ConvertFile(const QString& file) {
  if (file.isEmpty()) return;
  const std::optional<ops::Conversion> conversion = ops::ConversionForFile(S(file));
  if (!conversion) {
    platform::ShowError(ops::kConvertExtensionMessage);
    Refresh(file);
    return;
  }
  auto field = [this](Selector s) { return S(fields_[size_t(s)]->text()); };
  const ops::ConversionDirectories directories{field(Selector::MID), field(Selector::LST),
                                               field(Selector::Song), field(Selector::PRG),
                                               field(Selector::WAV), field(Selector::DFT)};
  TConvertDlg dialog(this, file, directories, *conversion);
  dialog.exec();
  Refresh(file);
}

void TTMmain::MakeWavsForPrgFiles() {
  const QString previous = ui_->FileListBox->FileName();
  QStringList names;
  for (const QString& file : ui_->FileListBox->SelectedFiles()) names << QFileInfo(file).fileName();
  if (names.isEmpty()) return;
  // The names are looked up in the directory listed, which is where they were chosen.
  render::TmakeWAVsDlg dialog(this, ui_->FileListBox->Directory(),
                              fields_[size_t(Selector::WAV)]->text(),
                              fields_[size_t(Selector::DFT)]->text());
  if (dialog.loadPRG(names)) dialog.exec();
  Refresh(previous);
}

void TTMmain::MakeWavsForMidi(const QString& file) {
  if (file.isEmpty()) return;
  render::TrenderDlg dialog(this, render::TrenderDlg::Mode::MakeWavsForMid);
  dialog.SetFiles(file, Q(ops::MakeWavsListPath(S(fields_[size_t(Selector::Temp)]->text()))),
                  QString());
  dialog.SetDirectories(fields_[size_t(Selector::PRG)]->text(),
                        fields_[size_t(Selector::WAV)]->text(),
                        fields_[size_t(Selector::DFT)]->text());
  dialog.SetFormat(ops::MakeWavsFormat());
  dialog.exec();
  Refresh(file);
}

void TTMmain::ScanFile(const QString& file) {
  if (file.isEmpty()) return;
  const std::optional<ops::ScanWay> way = ops::ScanWayFor(S(file));
  if (!way) {
    platform::ShowError(ops::kScanExtensionMessage);
  } else if (*way == ops::ScanWay::Wav) {
    wave::TWAVscanDlg dialog(this);
    dialog.fileEdit()->setText(file);
    if (dialog.fileOK()) dialog.exec();
  } else {
    const std::string report = ops::MidScanReport(S(fields_[size_t(Selector::Temp)]->text()));
    if (std::optional<Problem> problem = ops::CheckReportName(report)) {
      platform::ShowError(problem->message);
    } else if (const std::optional<Overwrite> overwrite = ops::AskToOverwriteReport(report)) {
      std::optional<Problem> problem;
      {
        platform::HourglassCursor hourglass;
        problem = ops::ProblemOf(ops::ListMidiToFile(S(file), report, ops::ListingForm::Text, *overwrite));
      }
      if (problem) platform::ShowError(problem->BoxText());
      if (QFileInfo::exists(Q(report))) OpenInTextEditor(settings_.textEditor, Q(report), ".");
    }
  }
  Refresh(file);
}

void TTMmain::EditFile(const QString& file) {
  if (file.isEmpty()) return;
  TEditDlg dialog(this, file, fields_[size_t(Selector::WAV)]->text(),
                  fields_[size_t(Selector::Temp)]->text(), settings_);
  dialog.exec();
  Refresh(file);
}

}  // namespace tonemill::app
