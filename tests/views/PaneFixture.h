#pragma once
// The tree and the list over a FakePaneHost that fills them the way the Workspace does, and helpers
// that send the drag and drop events a desktop would.
#include "../app/FakePaneHost.h"

#include "CCodeList.h"
#include "CCodeTree.h"
#include "PaneDrag.h"

#include <QCoreApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include <memory>

namespace quorvane::testing {

// The tree with its drag start reachable (a real drag needs a mouse the tests do not have).
class TestTree : public CCodeTree {
public:
    using CCodeTree::CCodeTree;
    using CCodeTree::startDrag;
};

class Panes {
public:
    FakePaneHost host;
    std::unique_ptr<TestTree> tree;
    std::unique_ptr<CCodeList> list;

    Panes() {
        tree = std::make_unique<TestTree>(host);
        list = std::make_unique<CCodeList>(host);
        host.onSelect = [this](int archive, int folder, bool force) {
            if (force) {
                tree->Rebuild();
            }
            Fill(archive, folder);
            tree->SelectFolder(archive, folder);
        };
        host.engine.aboutToChange = [this](CCodeArchive& archive) {
            tree->CatalogueAboutToChange(&archive);
            list->CatalogueAboutToChange(&archive);
        };
        host.engine.changed = [this](CCodeArchive& archive) {
            tree->CatalogueChanged(&archive);
            list->CatalogueChanged(&archive);
        };
    }

    // The contents of (archive, folder) into the list, as SelectArchiveFolder fills it.
    void Fill(int archive, int folder) {
        list->RemoveAll();
        CCodeArchive* a = host.ArchiveAt(archive);
        if (!a) {
            tree->Clear();
            return;
        }
        list->ShowFolder(archive, folder, a->entryCount());
        for (int number : FakePaneHost::Children(*a, folder)) {
            list->InsertEntry(number);
        }
        list->EndFill(true);
    }
    // Makes (archive, folder) current with force, as the Workspace refreshes.
    void Show(int archive, int folder) { host.SelectArchiveFolder(archive, folder, true); }
};

// A drag of our own items, as a pane starts it.
inline QMimeData* InternalData() {
    return PaneDrag::MakeInternal();
}

inline QMimeData* FileData(const QStringList& paths) {
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& path : paths) {
        urls.push_back(QUrl::fromLocalFile(path));
    }
    data->setUrls(urls);
    return data;
}

// Sends a drag move over `widget` at `pos`; the action it accepts, or IgnoreAction.
inline Qt::DropAction DragMoveOver(QWidget* widget, QPoint pos, const QMimeData* data,
                                   Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction) {
    QDragEnterEvent enter(pos, actions, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &enter);
    QDragMoveEvent move(pos, actions, data, Qt::LeftButton, Qt::NoModifier);
    move.setAccepted(false);
    QCoreApplication::sendEvent(widget, &move);
    return move.isAccepted() ? move.dropAction() : Qt::IgnoreAction;
}

// Qt delivers a drop only to the widget that accepted the drag's entry.
inline Qt::DropAction DropOn(QWidget* widget, QPoint pos, const QMimeData* data,
                             Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction) {
    QDragEnterEvent enter(pos, actions, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &enter);
    QDropEvent drop(pos, actions, data, Qt::LeftButton, Qt::NoModifier);
    drop.setAccepted(false);
    QCoreApplication::sendEvent(widget, &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

inline void LeaveDrag(QWidget* widget) {
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(widget, &leave);
}

} // namespace quorvane::testing
