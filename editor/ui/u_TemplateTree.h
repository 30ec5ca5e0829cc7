// The template tree of the main window's Files pane and of the wizard's template step:
// one top node per installed template, with its chapters and pages below, each node
// referring to its object and showing the picture of its kind.
#pragma once

class QTreeWidget;
class QTreeWidgetItem;
class TTemplate;
class TTemplateChapter;
class TTemplatePage;
class TTemplates;

// Empties Tree, then adds a top node for each template in list order and below it a
// node for each entry in order, chapters with their entries below them to any depth.
void FillTemplateTree(const TTemplates& Templates, QTreeWidget* Tree);

// The object a node (none allowed) refers to when it is of that class, else none.
TTemplate* NodeTemplate(const QTreeWidgetItem* Node);
TTemplateChapter* NodeTemplateChapter(const QTreeWidgetItem* Node);
TTemplatePage* NodeTemplatePage(const QTreeWidgetItem* Node);
