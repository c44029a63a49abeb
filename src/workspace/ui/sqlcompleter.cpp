#include "workspace/ui/sqlcompleter.h"

#include "catalog/objectkinds.h"

#include <QApplication>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTreeView>

namespace quodlin {

namespace {

// The browser's node picture of the kind of object an entry names.
QIcon kindIcon(CompletionKind kind)
{
    int objectKind = 0;
    switch (kind) {
    case CompletionKind::Table: objectKind = KindTable; break;
    case CompletionKind::View: objectKind = KindView; break;
    case CompletionKind::Synonym: objectKind = KindSynonym; break;
    case CompletionKind::Procedure:
    case CompletionKind::Function: objectKind = KindProcedure; break;
    default: break;
    }
    const ObjectKindDesc *desc = objectKind ? FindObjectKind(objectKind) : nullptr;
    if (desc)
        return QIcon(QStringLiteral(":/icons/node-%1-16.png").arg(desc->icon));
    // A blank of the same size, so every name starts at the same place.
    QPixmap blank(16, 16);
    blank.fill(Qt::transparent);
    return QIcon(blank);
}

constexpr int kVisibleRows = 12;

} // namespace

void CompletionListModel::setEntries(QList<CompletionEntry> entries)
{
    beginResetModel();
    m_entries = std::move(entries);
    endResetModel();
}

const CompletionEntry *CompletionListModel::entry(int row) const
{
    return row >= 0 && row < m_entries.size() ? &m_entries[row] : nullptr;
}

int CompletionListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

int CompletionListModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : 3; }

QVariant CompletionListModel::data(const QModelIndex &index, int role) const
{
    const CompletionEntry *e = index.isValid() ? entry(index.row()) : nullptr;
    if (!e)
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        switch (index.column()) {
        case 0: return e->text;
        case 1: return CompletionKindName(e->kind);
        default: return e->detail;
        }
    }
    if (role == Qt::DecorationRole && index.column() == 0) {
        static const QIcon icons[] = {kindIcon(CompletionKind::Column),    kindIcon(CompletionKind::Variable),
                                      kindIcon(CompletionKind::Table),     kindIcon(CompletionKind::View),
                                      kindIcon(CompletionKind::Synonym),   kindIcon(CompletionKind::Procedure),
                                      kindIcon(CompletionKind::Function),  kindIcon(CompletionKind::Keyword)};
        return icons[int(e->kind)];
    }
    return {};
}

SqlCompleter::SqlCompleter(QPlainTextEdit *editor, CatalogSource catalog)
    : QObject(editor), m_editor(editor), m_catalog(std::move(catalog))
{
    setObjectName(QStringLiteral("SqlCompleter"));
    // A tool-tip window: shown without taking the focus from the editor,
    // placed where it is asked, drawn with the application's palette.
    m_popup = new QTreeView(editor);
    m_popup->setObjectName(QStringLiteral("lstCompletion"));
    m_popup->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
    m_popup->setAttribute(Qt::WA_ShowWithoutActivating);
    m_popup->setFocusPolicy(Qt::NoFocus);
    m_popup->viewport()->setFocusPolicy(Qt::NoFocus);
    m_popup->setRootIsDecorated(false);
    m_popup->setUniformRowHeights(true);
    m_popup->setHeaderHidden(true);
    m_popup->setAllColumnsShowFocus(true);
    m_popup->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_popup->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_popup->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_popup->setBackgroundRole(QPalette::Base);
    m_model = new CompletionListModel(m_popup);
    m_popup->setModel(m_model);
    m_popup->header()->setStretchLastSection(true);
    connect(m_popup, &QAbstractItemView::clicked, this, [this](const QModelIndex &index) {
        m_popup->setCurrentIndex(index);
        insertCurrent();
    });
    connect(m_editor, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        if (m_popup->isVisible() && !update())
            hidePopup();
    });
    editor->installEventFilter(this);
}

SqlCompleter *SqlCompleter::of(const QPlainTextEdit *editor)
{
    return editor ? editor->findChild<SqlCompleter *>(QStringLiteral("SqlCompleter"), Qt::FindDirectChildrenOnly)
                  : nullptr;
}

void SqlCompleter::complete()
{
    m_start = -1;
    if (m_editor->isReadOnly())
        return;
    if (update())
        showPopup();
    else
        hidePopup();
}

bool SqlCompleter::update()
{
    const int caret = m_editor->textCursor().position();
    const std::shared_ptr<const CatalogSnapshot> catalog = m_catalog ? m_catalog() : nullptr;
    Completion completion = CompleteSql(m_editor->toPlainText(), caret, catalog.get());
    // Moving off the word that was being completed closes the list.
    if (m_start >= 0 && completion.start != m_start)
        return false;
    if (completion.entries.isEmpty())
        return false;
    // A name typed out in full leaves nothing to choose, and Enter then ends the line.
    if (completion.entries.size() == 1
        && completion.entries.first().text.compare(completion.prefix, Qt::CaseInsensitive) == 0)
        return false;
    m_start = completion.start;
    m_model->setEntries(std::move(completion.entries));
    m_popup->setCurrentIndex(m_model->index(0, 0));
    return true;
}

void SqlCompleter::showPopup()
{
    const QFontMetrics metrics(m_popup->font());
    const int rowHeight = qMax(m_popup->sizeHintForRow(0), metrics.height());
    const int rows = qMin(kVisibleRows, m_model->rowCount());
    const int frame = 2 * m_popup->frameWidth();
    m_popup->setColumnWidth(0, metrics.horizontalAdvance(QLatin1Char('x')) * 28 + 24);
    m_popup->setColumnWidth(1, metrics.horizontalAdvance(QStringLiteral("procedure")) + 16);
    const QSize size(m_popup->columnWidth(0) + m_popup->columnWidth(1) + metrics.horizontalAdvance(QLatin1Char('x')) * 34
                         + m_popup->verticalScrollBar()->sizeHint().width() + frame,
                     rows * rowHeight + frame);
    QTextCursor at = m_editor->textCursor();
    at.setPosition(m_start);
    QPoint place = m_editor->viewport()->mapToGlobal(m_editor->cursorRect(at).bottomLeft());
    // Above the line when the screen has no room below it.
    if (const QScreen *screen = m_editor->screen()) {
        const QRect area = screen->availableGeometry();
        if (place.y() + size.height() > area.bottom())
            place.setY(place.y() - size.height() - m_editor->cursorRect(at).height());
        place.setX(qMin(place.x(), area.right() - size.width()));
    }
    m_popup->setGeometry(QRect(place, size));
    m_popup->scrollToTop();
    m_popup->show();
}

void SqlCompleter::insertCurrent()
{
    const CompletionEntry *e = m_model->entry(m_popup->currentIndex().row());
    if (e && m_start >= 0) {
        QTextCursor cursor = m_editor->textCursor();
        const int caret = cursor.position();
        cursor.setPosition(m_start);
        cursor.setPosition(caret, QTextCursor::KeepAnchor);
        const QString text = e->text;
        // Closed first: the insertion moves the caret, which would narrow the list again.
        hidePopup();
        cursor.insertText(text);
        m_editor->setTextCursor(cursor);
    }
    hidePopup();
}

void SqlCompleter::hidePopup()
{
    m_start = -1;
    m_popup->hide();
}

bool SqlCompleter::handleKey(QKeyEvent *key)
{
    const bool ctrl = key->modifiers() & Qt::ControlModifier;
    if (key->key() == Qt::Key_Space && ctrl) {
        complete();
        return true;
    }
    if (!m_popup->isVisible()) {
        if (key->text() == QLatin1String(".")) {
            // After the editor has put the dot in.
            QMetaObject::invokeMethod(this, [this] { complete(); }, Qt::QueuedConnection);
        }
        return false;
    }
    const int row = m_popup->currentIndex().row();
    const int last = m_model->rowCount() - 1;
    auto go = [&](int to) {
        m_popup->setCurrentIndex(m_model->index(qBound(0, to, last), 0));
        return true;
    };
    switch (key->key()) {
    case Qt::Key_Up: return go(row - 1);
    case Qt::Key_Down: return go(row + 1);
    case Qt::Key_PageUp: return go(row - kVisibleRows);
    case Qt::Key_PageDown: return go(row + kVisibleRows);
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
        insertCurrent();
        return true;
    case Qt::Key_Escape:
        hidePopup();
        return true;
    default:
        return false;
    }
}

bool SqlCompleter::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_editor)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        // Ctrl+Space is the editor's own, menu shortcut or not; so are the
        // list's keys while it shows.
        auto *key = static_cast<QKeyEvent *>(event);
        const bool ctrlSpace = key->key() == Qt::Key_Space && (key->modifiers() & Qt::ControlModifier);
        const bool listKey = m_popup->isVisible()
            && (key->key() == Qt::Key_Escape || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter
                || key->key() == Qt::Key_Tab);
        if (ctrlSpace || listKey) {
            event->accept();
            return true;
        }
        break;
    }
    case QEvent::KeyPress:
        return handleKey(static_cast<QKeyEvent *>(event));
    case QEvent::FocusOut:
    case QEvent::Hide:
        hidePopup();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace quodlin
