#include "help.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QTextBrowser>

namespace platform {
namespace {

constexpr int kContentsContext = 1;

QPointer<QTextBrowser> gHelp;

}  // namespace

QString HelpTopicResource(int context) { return QStringLiteral(":/help/%1.html").arg(context); }

bool HelpTopicExists(int context) { return QFile::exists(HelpTopicResource(context)); }

bool ShowHelpTopic(int context) {
  if (!HelpTopicExists(context)) context = kContentsContext;
  if (!HelpTopicExists(context)) return false;
  if (!gHelp) {
    gHelp = new QTextBrowser;  // owned by Qt: deletes itself when closed
    gHelp->setAttribute(Qt::WA_DeleteOnClose);
    gHelp->setObjectName("helpWindow");
    gHelp->setOpenLinks(true);
    gHelp->setSearchPaths({":/help"});
    gHelp->resize(gHelp->fontMetrics().averageCharWidth() * 80,
                  gHelp->fontMetrics().height() * 30);
  }
  gHelp->setSource(QUrl("qrc" + HelpTopicResource(context)));
  gHelp->setWindowTitle(gHelp->documentTitle().isEmpty()
                            ? QApplication::applicationDisplayName()
                            : gHelp->documentTitle());
  gHelp->show();
  gHelp->raise();
  gHelp->activateWindow();
  return true;
}

QWidget* HelpWindow() { return gHelp.data(); }

void CloseHelp() {
  if (gHelp) gHelp->close();
}

}  // namespace platform
