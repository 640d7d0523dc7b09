// The help viewer: topics are HTML pages among the program's resources, ":/help/N.html" for
// context number N, shown in one help window of the program's own.
#pragma once

#include <QString>

class QWidget;

namespace platform {

QString HelpTopicResource(int context);
bool HelpTopicExists(int context);

// Opens (or raises) the help window on the topic; a context without a topic shows the
// contents page. False when not even that exists.
bool ShowHelpTopic(int context);

// The help window, when it has been opened; for tests and for closing it with the program.
QWidget* HelpWindow();
void CloseHelp();

}  // namespace platform
