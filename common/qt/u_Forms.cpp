#include "u_Forms.h"

#include "u_CaseBlind.h"
#include "u_Registry.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QWidget>
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace {

// Show commands of the placement record (the platform's SW_ values).
constexpr int32_t swShowNormal = 1;
constexpr int32_t swShowMinimized = 2;
constexpr int32_t swShowMaximized = 3;
constexpr int32_t swMinimize = 6;
constexpr int32_t swShowMinNoActive = 7;
constexpr size_t placementSize = 44;

std::string Utf8(const QString& s) {
    const QByteArray bytes = s.toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

void PutInt32(std::string& out, int32_t value) {
    const auto u = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>((u >> shift) & 0xFF);
}

int32_t GetInt32(const std::string& in, size_t index) {
    uint32_t u = 0;
    for (int i = 3; i >= 0; --i)
        u = (u << 8) | static_cast<unsigned char>(in[index * 4 + static_cast<size_t>(i)]);
    return static_cast<int32_t>(u);
}

void WalkInto(QWidget* parent, std::vector<QWidget*>& out) {
    for (QObject* child : parent->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || widget->isWindow())
            continue;
        WalkInto(widget, out);
        out.push_back(widget);
    }
}

int PaneStretch(const QSplitter* splitter, int index) {
    const QSizePolicy policy = splitter->widget(index)->sizePolicy();
    return splitter->orientation() == Qt::Horizontal ? policy.horizontalStretch() : policy.verticalStretch();
}

// One "name=value" list entry per control, joined by ";".
void AppendEntry(std::string& list, const QString& name, int value) {
    if (!list.empty())
        list += ';';
    list += Utf8(name);
    list += '=';
    list += std::to_string(value);
}

std::string Trim(const std::string& s) {
    size_t first = 0;
    size_t last = s.size();
    while (first < last && static_cast<unsigned char>(s[first]) <= ' ')
        ++first;
    while (last > first && static_cast<unsigned char>(s[last - 1]) <= ' ')
        --last;
    return s.substr(first, last - first);
}

// Splits a stored list and hands each well-formed entry to apply. An empty entry ends
// the list; a malformed one (no name, no "=", no whole number of at least 0) is skipped.
template <typename Apply>
void ForEachEntry(const std::string& list, Apply apply) {
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(';', start);
        if (end == std::string::npos)
            end = list.size();
        const std::string entry = Trim(list.substr(start, end - start));
        if (entry.empty())
            return;
        const size_t eq = entry.find('=');
        if (eq != std::string::npos && eq > 0) {
            const std::string valueText = Trim(entry.substr(eq + 1));
            int value = -1;
            const char* last = valueText.data() + valueText.size();
            const auto [ptr, ec] = std::from_chars(valueText.data(), last, value);
            if (!valueText.empty() && ec == std::errc() && ptr == last && value >= 0)
                apply(QString::fromUtf8(entry.data(), static_cast<qsizetype>(eq)), value);
        }
        start = end + 1;
    }
}

void SetSplitterPane(QSplitter* splitter, int pane, int size) {
    QList<int> sizes = splitter->sizes();
    if (pane < 0 || pane >= sizes.size())
        return;
    // The pane that gives or takes the difference: the first visible one that
    // stretches, else the neighbour of the restored pane.
    int absorber = -1;
    for (int i = 0; i < sizes.size() && absorber < 0; ++i)
        if (i != pane && !splitter->widget(i)->isHidden() && PaneStretch(splitter, i) > 0)
            absorber = i;
    if (absorber < 0)
        absorber = pane == 0 ? 1 : pane - 1;
    const int total = [&] {
        int sum = 0;
        for (const int s : sizes)
            sum += s;
        return sum;
    }();
    if (total <= 0) {
        // Not laid out yet: give the absorbing pane the rest of the splitter's own extent.
        const int extent = splitter->orientation() == Qt::Horizontal ? splitter->width() : splitter->height();
        sizes[absorber] = std::max(0, extent - size);
    } else {
        sizes[absorber] = std::max(0, sizes[absorber] + sizes[pane] - size);
    }
    sizes[pane] = size;
    splitter->setSizes(sizes);
}

QRect ScreenOf(const QWidget* form) {
    QScreen* screen = form->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect();
}

} // namespace

std::vector<QWidget*> FormLayoutWalk(QWidget* Form) {
    std::vector<QWidget*> controls;
    if (Form)
        WalkInto(Form, controls);
    return controls;
}

int SplitterResizedPane(const QSplitter* Splitter) {
    const int count = Splitter->count();
    if (count < 2)
        return -1;
    int pane = -1;
    if (PaneStretch(Splitter, 0) == 0)
        pane = 0;
    else if (PaneStretch(Splitter, count - 1) == 0)
        pane = count - 1;
    if (pane < 0)
        return -1;
    const QWidget* widget = Splitter->widget(pane);
    if (widget->isHidden() || !widget->isEnabled())
        return -1;
    return pane;
}

std::string FormPlacementRecord(const QWidget* Form) {
    int32_t show = swShowNormal;
    QRect normal = Form->geometry();
    if (Form->isWindow()) {
        if (Form->isMinimized())
            show = swShowMinimized;
        else if (Form->isMaximized())
            show = swShowMaximized;
        if (show != swShowNormal || Form->isFullScreen())
            if (Form->normalGeometry().isValid())
                normal = Form->normalGeometry();
    }
    std::string record;
    PutInt32(record, static_cast<int32_t>(placementSize));
    PutInt32(record, 0);
    PutInt32(record, show);
    for (int i = 0; i < 4; ++i)
        PutInt32(record, -1); // minimized and maximized positions: left to the system
    PutInt32(record, normal.left());
    PutInt32(record, normal.top());
    PutInt32(record, normal.left() + normal.width());
    PutInt32(record, normal.top() + normal.height());
    return record;
}

bool ApplyFormPlacementRecord(QWidget* Form, const std::string& Record) {
    if (Record.size() != placementSize || GetInt32(Record, 0) != static_cast<int32_t>(placementSize))
        return false;
    const int32_t show = GetInt32(Record, 2);
    const int32_t left = GetInt32(Record, 7);
    const int32_t top = GetInt32(Record, 8);
    const int64_t width = static_cast<int64_t>(GetInt32(Record, 9)) - left;
    const int64_t height = static_cast<int64_t>(GetInt32(Record, 10)) - top;
    if (width <= 0 || height <= 0 || width > QWIDGETSIZE_MAX || height > QWIDGETSIZE_MAX)
        return false;
    QRect rect(left, top, static_cast<int>(width), static_cast<int>(height));
    if (Form->isWindow()) {
        // A window stored on a screen that is no longer there comes back onto this one.
        bool onScreen = false;
        for (const QScreen* screen : QGuiApplication::screens())
            if (screen->availableGeometry().intersects(rect))
                onScreen = true;
        if (!onScreen) {
            const QRect area = ScreenOf(Form);
            rect.moveTopLeft(area.topLeft());
        }
    }
    Form->setGeometry(rect);
    if (Form->isWindow()) {
        Qt::WindowStates state = Form->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
        if (show == swShowMaximized)
            state |= Qt::WindowMaximized;
        else if (show == swShowMinimized || show == swMinimize || show == swShowMinNoActive)
            state |= Qt::WindowMinimized;
        Form->setWindowState(state);
    }
    return true;
}

void SaveFormLayout(const std::string& Key, QWidget* Form, TFormLayoutOptions Options,
                    const TFormLayoutExtInfoWriter& ExtInfo) {
    if (!Form)
        return;
    TRegistryKey key(Key, false);
    if (!key.Opened())
        return;
    const std::vector<QWidget*> controls = FormLayoutWalk(Form);

    std::string splitters;
    if (Options & loSplitters)
        for (QWidget* control : controls)
            if (auto* splitter = qobject_cast<QSplitter*>(control)) {
                const int pane = SplitterResizedPane(splitter);
                if (pane >= 0)
                    AppendEntry(splitters, splitter->objectName(), splitter->sizes().value(pane));
            }
    key.WriteString("SplittersData", splitters);

    std::string pages;
    if (Options & loPageControls)
        for (QWidget* control : controls)
            if (auto* tabs = qobject_cast<QTabWidget*>(control))
                AppendEntry(pages, tabs->objectName(), tabs->currentIndex());
    key.WriteString("PageControlsData", pages);

    std::string active;
    if (Options & loActiveControl) {
        QWidget* focused = Form->focusWidget();
        active = focused && focused != Form ? Utf8(focused->objectName()) : "nil";
    }
    key.WriteString("ActiveControl", active);

    key.WriteBinary("SizeAndPos", (Options & loSizeAndPos) ? FormPlacementRecord(Form) : std::string());

    if ((Options & loExtInfo) && ExtInfo)
        key.WriteString("ExtInfo", ExtInfo());
    key.Flush();
}

void RestoreFormLayout(const std::string& Key, QWidget* Form, const TFormLayoutExtInfoReader& ExtInfo) {
    if (!Form)
        return;
    const TRegistryKey key(Key, true);
    if (!key.Opened()) {
        CentreFormOnScreen(Form);
        return;
    }
    try {
        if (const auto record = key.ReadBinary("SizeAndPos"); record && record->size() == placementSize)
            if (!ApplyFormPlacementRecord(Form, *record))
                return;
        // Splitters and tab widgets size their panes from the window's size: lay the
        // window out first when it has not been shown yet.
        if (QLayout* layout = Form->layout())
            layout->activate();

        const std::vector<QWidget*> controls = FormLayoutWalk(Form);
        ForEachEntry(key.ReadString("SplittersData").value_or(std::string()),
                     [&](const QString& name, int value) {
                         for (QWidget* control : controls)
                             if (auto* splitter = qobject_cast<QSplitter*>(control);
                                 splitter && splitter->objectName() == name) {
                                 const int pane = SplitterResizedPane(splitter);
                                 if (pane < 0)
                                     continue;
                                 SetSplitterPane(splitter, pane, value);
                                 return;
                             }
                     });
        ForEachEntry(
            key.ReadString("PageControlsData").value_or(std::string()), [&](const QString& name, int value) {
                for (QWidget* control : controls)
                    if (auto* tabs = qobject_cast<QTabWidget*>(control); tabs && tabs->objectName() == name) {
                        tabs->setCurrentIndex(value);
                        return;
                    }
            });

        const std::string active = key.ReadString("ActiveControl").value_or(std::string());
        if (!active.empty()) {
            QWidget* found = nullptr;
            if (!SameTextCaseBlind(active, "nil")) {
                // Each child's own name first, then inside it.
                const std::function<QWidget*(QWidget*)> find = [&](QWidget* parent) -> QWidget* {
                    for (QObject* child : parent->children()) {
                        auto* widget = qobject_cast<QWidget*>(child);
                        if (!widget || widget->isWindow())
                            continue;
                        if (SameTextCaseBlind(Utf8(widget->objectName()), active))
                            return widget;
                        if (QWidget* inner = find(widget))
                            return inner;
                    }
                    return nullptr;
                };
                found = find(Form);
            }
            if (found) {
                if (found->focusPolicy() == Qt::NoFocus || !found->isEnabled() || !found->isVisibleTo(Form))
                    return;
                found->setFocus(Qt::OtherFocusReason);
            } else if (QWidget* focused = Form->focusWidget()) {
                focused->clearFocus();
            }
        }

        if (ExtInfo)
            ExtInfo(key.ReadString("ExtInfo").value_or(std::string()));
    } catch (...) {
        // A broken stored layout leaves what was applied so far.
    }
}

void CentreFormOnScreen(QWidget* Form) {
    if (!Form)
        return;
    const QRect screen = ScreenOf(Form);
    Form->move(screen.left() + (screen.width() - Form->width()) / 2,
               screen.top() + (screen.height() - Form->height()) / 2);
}

void FitFormToControls(QWidget* Form, bool Centre) {
    if (!Form)
        return;
    QRect bounds;
    for (QObject* child : Form->children())
        if (auto* widget = qobject_cast<QWidget*>(child); widget && !widget->isWindow())
            bounds = bounds.isNull() ? widget->geometry() : bounds.united(widget->geometry());
    if (!bounds.isNull())
        Form->resize(bounds.left() + bounds.width() + bounds.left(),
                     bounds.top() + bounds.height() + bounds.left());
    if (Centre)
        CentreFormOnScreen(Form);
}

void NameMessageBoxIcon(QMessageBox& Box, const QString& Name) {
    auto* picture = Box.findChild<QLabel*>(QStringLiteral("qt_msgboxex_icon_label"));
    if (!picture)
        return;
    switch (Box.icon()) {
    case QMessageBox::Critical:
        picture->setAccessibleName(QStringLiteral("Error"));
        break;
    case QMessageBox::Warning:
        picture->setAccessibleName(QStringLiteral("Warning"));
        break;
    case QMessageBox::Information:
        picture->setAccessibleName(QStringLiteral("Information"));
        break;
    case QMessageBox::Question:
        picture->setAccessibleName(QStringLiteral("Question"));
        break;
    case QMessageBox::NoIcon:
        picture->setAccessibleName(Name);
        break;
    }
}

void ListScreenFonts(std::vector<std::string>& Strings) {
    for (const QString& family : QFontDatabase::families())
        Strings.push_back(Utf8(family));
}
