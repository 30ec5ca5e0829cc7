#include "u_TemplateTree.h"

#include "u_Controls.h"
#include "u_Templates.h"

#include <QIcon>
#include <QTreeWidget>

namespace {

// What a node stands for, and the object it refers to.
enum TNodeKind { nkTemplate = 1, nkChapter, nkPage };
constexpr int KindRole = Qt::UserRole;
constexpr int ObjectRole = Qt::UserRole + 1;

// Chapters and pages look as in the story tree; a template has the New Project picture.
QIcon KindIcon(TNodeKind Kind) {
    switch (Kind) {
    case nkTemplate:
        return QIcon(QStringLiteral(":/icons/main/newproject.svg"));
    case nkChapter:
        return QIcon(QStringLiteral(":/icons/main/chapter.svg"));
    case nkPage:
        break;
    }
    return QIcon(QStringLiteral(":/icons/main/page.svg"));
}

QTreeWidgetItem* NewNode(const std::string& Caption, TNodeKind Kind, const void* Object) {
    auto* node = new QTreeWidgetItem(QStringList(Q(Caption)));
    node->setData(0, KindRole, static_cast<int>(Kind));
    node->setData(0, ObjectRole, QVariant::fromValue(reinterpret_cast<quintptr>(Object)));
    node->setIcon(0, KindIcon(Kind));
    return node;
}

void AddEntries(QTreeWidgetItem* Parent, const TTemplateItems& Items) {
    for (const auto& entry : Items) {
        if (entry->IsChapter) {
            const auto& chapter = static_cast<const TTemplateChapter&>(*entry);
            QTreeWidgetItem* node = NewNode(chapter.Caption, nkChapter, &chapter);
            Parent->addChild(node);
            AddEntries(node, chapter.Items);
        } else {
            Parent->addChild(NewNode(entry->Caption, nkPage, entry.get()));
        }
    }
}

template <class T>
T* NodeObject(const QTreeWidgetItem* Node, TNodeKind Kind) {
    if (!Node || Node->data(0, KindRole).toInt() != Kind)
        return nullptr;
    return reinterpret_cast<T*>(Node->data(0, ObjectRole).value<quintptr>());
}

} // namespace

void FillTemplateTree(const TTemplates& Templates, QTreeWidget* Tree) {
    Tree->clear();
    for (int i = 0; i < Templates.Count(); ++i) {
        const TTemplate* t = Templates.Items(i);
        QTreeWidgetItem* node = NewNode(t->Caption, nkTemplate, t);
        Tree->addTopLevelItem(node);
        AddEntries(node, t->Items);
    }
}

TTemplate* NodeTemplate(const QTreeWidgetItem* Node) {
    return NodeObject<TTemplate>(Node, nkTemplate);
}

TTemplateChapter* NodeTemplateChapter(const QTreeWidgetItem* Node) {
    return NodeObject<TTemplateChapter>(Node, nkChapter);
}

TTemplatePage* NodeTemplatePage(const QTreeWidgetItem* Node) {
    return NodeObject<TTemplatePage>(Node, nkPage);
}
