// SPDX-License-Identifier: Apache-2.0
// DialogScreenshot: saves a picture of the plug-in's dialog for --screenshot.
//
// While it lives it watches the application's modal window. The plug-in's dialog
// (the modal window with a book list, "cmbBooks") is saved to the file once it has
// loaded its book, that is once the Title box has the focus or the panel says the
// book is not published, and is then closed as with its close box, which ends the
// plug-in without a message. Any other modal window (a message of the plug-in or of
// the host) is written to standard error and closed. A dialog that does not settle
// within the time limit is saved as it is, and the shot counts as failed.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

namespace Host {

class DialogScreenshot : public QObject
{
    Q_OBJECT

public:
    explicit DialogScreenshot(const QString &file, int timeLimitMs = 20000,
                              QObject *parent = nullptr);

    // True once the settled dialog was saved to the file.
    bool saved() const { return m_saved; }
    // What went wrong, for the user; empty after a good shot.
    QString error() const { return m_error; }

private:
    void look();

    QString m_file;
    QTimer m_poll;
    int m_waitedMs = 0;
    int m_timeLimitMs;
    bool m_saved = false;
    bool m_done = false;
    QString m_error;
};

} // namespace Host
