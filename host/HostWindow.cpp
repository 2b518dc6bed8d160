// SPDX-License-Identifier: Apache-2.0
#include "HostWindow.h"

#include "automation/AutomationError.h"
#include "automation/Dispatch.h"
#include "host/model/NodeParameter.h"
#include "host/model/NodeParameters.h"
#include "host/model/PublicationNode.h"
#include "host/model/PublicationReader.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeView>
#include <QVBoxLayout>

namespace Host {

namespace {

constexpr int NodeRole = Qt::UserRole + 1;

Host::PublicationNode *nodeOf(const QModelIndex &index)
{
    return static_cast<Host::PublicationNode *>(index.data(NodeRole).value<void *>());
}

QString q(const std::u16string &text)
{
    return QString::fromStdU16String(text);
}

} // namespace

HostWindow::Language HostWindow::systemLanguage()
{
    return QLocale::system().language() == QLocale::French ? Language::French : Language::English;
}

HostWindow::HostWindow(QWidget *parent) : QMainWindow(parent)
{
    m_notify = [this](const QString &title, const QString &text) {
        QMessageBox::warning(this, title, text);
    };

    auto *fileMenu = menuBar()->addMenu(tr("&Publication"));
    QAction *open = fileMenu->addAction(tr("&Open…"), this, &HostWindow::chooseFile);
    open->setShortcut(QKeySequence::Open);
    fileMenu->addSeparator();
    QAction *quit = fileMenu->addAction(tr("&Quit"), this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);

    // Every menu and item has its own mnemonic; the button below borrows the item's.
    auto *pluginMenu = menuBar()->addMenu(tr("Plu&g-ins"));
    m_pluginAction = pluginMenu->addAction(tr("PDF &fields…"), this, &HostWindow::runPlugin);
    m_pluginAction->setObjectName(QStringLiteral("pluginAction"));

    auto *languageMenu = menuBar()->addMenu(tr("&Language"));
    auto *languages = new QActionGroup(this);
    m_english = languageMenu->addAction(tr("&English"));
    m_french = languageMenu->addAction(tr("&French"));
    for (QAction *action : {m_english, m_french}) {
        action->setCheckable(true);
        languages->addAction(action);
    }
    setLanguage(systemLanguage());

    m_view = new QTreeView;
    m_view->setObjectName(QStringLiteral("publicationView"));
    m_view->setAccessibleName(tr("Publication"));
    m_view->setModel(&m_model);
    m_view->setHeaderHidden(true);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Selection, not the current index: a view makes an item current on focus alone.
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &HostWindow::followSelection);
    m_tree->onSelectionChanged = [this] {
        showDetails();
    };

    m_details = new QLabel;
    m_details->setObjectName(QStringLiteral("details"));
    m_details->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_details->setWordWrap(true);

    auto *pluginButton = new QPushButton(m_pluginAction->text());
    pluginButton->setObjectName(QStringLiteral("pluginButton"));
    connect(pluginButton, &QPushButton::clicked, m_pluginAction, &QAction::trigger);

    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_details);
    layout->addWidget(pluginButton, 0, Qt::AlignRight);
    setCentralWidget(central);
    resize(520, 480);

    rebuild();
}

HostWindow::~HostWindow()
{
    // A plug-in may still hold the tree; it no longer reaches this window.
    m_tree->onSelectionChanged = nullptr;
}

bool HostWindow::openPublication(const QString &path)
{
    const QString error = q(Host::PublicationReader::readFile(path.toStdU16String(), *m_tree));
    rebuild();
    if (!error.isEmpty()) {
        statusBar()->showMessage(tr("No publication"));
        m_notify(tr("Publication not opened"), error);
        return false;
    }
    statusBar()->showMessage(QDir::toNativeSeparators(q(m_tree->FileName())));
    return true;
}

bool HostWindow::selectPath(const QString &path)
{
    Host::PublicationNode *node = m_tree->nodeAt(path.toStdU16String());
    QStandardItem *item = m_items.value(node);
    if (!item)
        return false;
    const QModelIndex index = item->index();
    m_view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    m_view->scrollTo(index);
    return true;
}

HostWindow::Language HostWindow::language() const
{
    return m_french->isChecked() ? Language::French : Language::English;
}

void HostWindow::setLanguage(Language language)
{
    (language == Language::French ? m_french : m_english)->setChecked(true);
}

void HostWindow::runPlugin()
{
    try {
        Automation::call(createPlugin(m_tree, language()), u"Show");
    } catch (const Automation::AutomationError &error) {
        m_notify(tr("PDF fields"), tr("The PDF fields plug-in cannot run (error %1):\n%2")
                                       .arg(error.number())
                                       .arg(q(error.description())));
    }
}

void HostWindow::chooseFile()
{
    const QString start =
        m_tree->FileName().empty() ? QDir::homePath() : QFileInfo(q(m_tree->FileName())).path();
    const QString path = QFileDialog::getOpenFileName(this, tr("Open a publication"), start,
                                                      tr("Publications (*.xml);;All files (*)"));
    if (!path.isEmpty())
        openPublication(path);
}

void HostWindow::rebuild()
{
    m_items.clear();
    m_model.clear();
    if (Host::PublicationNode *publication = m_tree->publication()) {
        // Depth first, each node's item below its parent's.
        QList<std::pair<Host::PublicationNode *, QStandardItem *>> pending{
            {publication, m_model.invisibleRootItem()}};
        while (!pending.isEmpty()) {
            const auto [node, parentItem] = pending.takeFirst();
            auto *item = new QStandardItem(q(node->Text()));
            // The tree holds the node as long as the item exists: rebuild follows it.
            item->setData(QVariant::fromValue<void *>(node), NodeRole);
            parentItem->appendRow(item);
            m_items.insert(node, item);
            for (const Automation::Ref<Host::PublicationNode> &child : node->children())
                pending.append({child.get(), item});
        }
        m_view->expandAll();
    }
    const QString title = m_tree->publication() ? q(m_tree->Title()) : tr("no publication");
    setWindowTitle(QStringLiteral("%1 — orvfields-host").arg(title));
    showDetails();
}

void HostWindow::followSelection()
{
    const QModelIndexList selected = m_view->selectionModel()->selectedIndexes();
    m_tree->setSelectedNode(selected.isEmpty() ? nullptr : nodeOf(selected.first()));
}

void HostWindow::showDetails()
{
    const Host::PublicationNode *node = m_tree->selectedNode();
    if (!m_tree->publication()) {
        m_details->setText(tr("No publication is open."));
        return;
    }
    if (!node) {
        m_details->setText(tr("Select a book, or a node of a book, then use PDF fields…"));
        return;
    }
    QString text = tr("%1: %2").arg(q(node->tag()), q(node->Text()));
    if (const Host::NodeParameter *pdf =
            node->parameters().find(Host::PublicationTree::BookPathParameter)) {
        const QString path = q(pdf->Contents());
        if (pdf->Contents() == Host::PublicationTree::NotPublished)
            text += tr("\nNot published.");
        else if (QFileInfo(path).isFile())
            text += tr("\nPDF: %1").arg(path);
        else
            text += tr("\nPDF: %1 (missing)").arg(path);
    }
    m_details->setText(text);
}

} // namespace Host
