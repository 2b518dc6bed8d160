// SPDX-License-Identifier: Apache-2.0
// HostWindow: the main window of orvfields-host, a small publishing application.
//
// It shows the open publication as a tree, keeps the tree object's selected node in
// step with the user's selection, and runs the PDF fields plug-in from its "PDF
// fields…" action (menu and button): the plug-in is created through the registry by
// its programmatic identifier, receives the tree object as PluginObject and the
// language chosen in the Language menu, and its Show is called. A publication that
// cannot be read is reported; the window then has no publication, which the plug-in
// refuses with its own message.
#pragma once

#include "automation/Object.h"
#include "host/model/Plugin.h"
#include "host/model/PublicationTree.h"

#include <QHash>
#include <QMainWindow>
#include <QStandardItemModel>

#include <functional>

class QAction;
class QLabel;
class QPushButton;
class QTreeView;

namespace Host {

class HostWindow : public QMainWindow
{
    Q_OBJECT

public:
    using Language = PluginLanguage;
    // The system locale's: French for a French locale, English otherwise.
    static Language systemLanguage();

    // Shows a message to the user; a message box unless replaced.
    using Notifier = std::function<void(const QString &title, const QString &text)>;

    explicit HostWindow(QWidget *parent = nullptr);
    ~HostWindow() override;

    void setNotifier(Notifier notifier) { m_notify = std::move(notifier); }

    // Opens a publication file; false when it cannot be read, after the message.
    bool openPublication(const QString &path);
    // Selects the node at a path of texts joined with "/"; false when there is none.
    bool selectPath(const QString &path);

    Language language() const;
    void setLanguage(Language language);

    Host::PublicationTree &tree() { return *m_tree; }
    QTreeView *treeView() const { return m_view; }
    QAction *pluginAction() const { return m_pluginAction; }

public slots:
    // Creates OrvFields.MainForm and calls its Show over the open publication.
    void runPlugin();

private:
    void chooseFile();
    void rebuild();
    void followSelection();
    void showDetails();

    // Counted: the plug-in holds the tree as its PluginObject while it runs.
    const Automation::Ref<Host::PublicationTree> m_tree = Automation::make<Host::PublicationTree>();
    QStandardItemModel m_model;
    QHash<Host::PublicationNode *, QStandardItem *> m_items;
    QTreeView *m_view = nullptr;
    QLabel *m_details = nullptr;
    QAction *m_pluginAction = nullptr;
    QAction *m_english = nullptr;
    QAction *m_french = nullptr;
    Notifier m_notify;
};

} // namespace Host
