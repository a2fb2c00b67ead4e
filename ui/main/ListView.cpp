#include "ListView.h"

#include "Twips.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolTip>

namespace {

// Draws a frame around the current cell while the list has the focus, so that a person moving with Left
// and Right sees which field Ctrl+C copies. The frame takes the colour of the cell's text, which reads
// on the selection and off it, in light and dark palettes alike.
class CurrentCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
        if (view == nullptr || !view->hasFocus() || view->currentIndex() != index) {
            return;
        }
        const bool selected = option.state.testFlag(QStyle::State_Selected);
        const QColor colour = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
        painter->save();
        painter->setPen(QPen(colour, 1, Qt::DotLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option.rect.adjusted(1, 1, -2, -2));
        painter->restore();
    }
};

// A cell's text for its tooltip (the model gives the start of a very long one): rich text with every
// character escaped, so that a stored text is never read as markup, in lines of a fixed length, since a
// location has few spaces to wrap at.
QString TipText(const QString& text) {
    constexpr qsizetype kLine = 80;
    QStringList lines;
    for (qsizetype at = 0; at < text.size(); at += kLine) {
        lines << text.mid(at, kLine).toHtmlEscaped();
    }
    return QStringLiteral("<p style=\"white-space:nowrap\">%1</p>").arg(lines.join(QStringLiteral("<br>")));
}

} // namespace

ListView::ListView(QWidget* parent) : QTreeView(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSortingEnabled(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setSectionsClickable(true);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    header()->setSortIndicatorShown(false);
    setItemDelegate(new CurrentCellDelegate(this));
    connect(header(), &QHeaderView::sectionClicked, this, [this](int section) { emit columnClicked(section + 1); });
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) {
            emit editRequested();
        }
    });
}

void ListView::setEntries(EntryStore* entries) {
    EntryListModel* old = model_;
    entries_ = entries;
    model_ = new EntryListModel(entries, this);
    setModel(model_);
    delete old;
}

void ListView::keyPressEvent(QKeyEvent* event) {
    const bool copy = event->matches(QKeySequence::Copy) ||
                      (event->key() == Qt::Key_Insert && event->modifiers() == Qt::ControlModifier);
    if (copy) {
        const QModelIndex current = currentIndex();
        emit copyRequested(
            EntryListModel::fieldAt(current.isValid() ? current.column() : 0).value_or(vault::kFields.front()));
        event->accept();
        return;
    }
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        switch (event->key()) {
        case Qt::Key_Delete:
            emit deleteRequested();
            event->accept();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            emit editRequested();
            event->accept();
            return;
        default:
            break;
        }
    }
    QTreeView::keyPressEvent(event);
}

QModelIndex ListView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    const QModelIndex current = currentIndex();
    if ((action == MoveLeft || action == MoveRight) && current.isValid()) {
        const int column = current.column() + (action == MoveLeft ? -1 : 1);
        if (column < 0 || column >= model()->columnCount(current.parent())) {
            return current;
        }
        return current.sibling(current.row(), column);
    }
    return QTreeView::moveCursor(action, modifiers);
}

bool ListView::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip) {
        return QTreeView::viewportEvent(event);
    }
    auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = indexAt(help->pos());
    // A secret's column keeps its text to itself: a tooltip would show it to anyone near the screen.
    const std::optional<vault::Field> field = EntryListModel::fieldAt(index.column());
    if (index.isValid() && field && !vault::Describe(*field).secret) {
        const QString text = index.data(Qt::DisplayRole).toString();
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        option.rect = visualRect(index);
        const QSize needed = itemDelegateForIndex(index)->sizeHint(option, index);
        if (needed.width() > option.rect.width()) {
            QToolTip::showText(help->globalPos(), TipText(text), viewport(), option.rect);
            return true;
        }
    }
    QToolTip::hideText();
    event->ignore();
    return true;
}

void ListView::addColumnHeader(const QString& text, int widthTwips) {
    model_->addColumnHeader(text);
    setColumnHeaderWidth(model_->headerCount(), widthTwips);
}

int ListView::columnHeaderWidth(int number) const {
    if (number < 1 || number > columnHeaderCount()) {
        return 0;
    }
    return twips::FromPixels(header()->sectionSize(number - 1));
}

void ListView::setColumnHeaderWidth(int number, int widthTwips) {
    if (number < 1 || number > columnHeaderCount()) {
        return;
    }
    header()->resizeSection(number - 1, twips::ToPixels(widthTwips));
}

int ListView::add(const QString& text) {
    ListEntry entry;
    if (const std::optional<vault::Field> first = EntryListModel::fieldAt(0)) {
        entry[*first] = text;
    }
    return entries_->insert(count() + 1, entry);
}

QString ListView::subItem(int position, int index) const {
    const std::optional<vault::Field> field = EntryListModel::fieldAt(index);
    return field ? entries_->field(position, *field) : QString();
}

bool ListView::setText(int position, const QString& text) {
    const std::optional<vault::Field> field = EntryListModel::fieldAt(0);
    return field && entries_->setField(position, *field, text);
}

bool ListView::setSubItem(int position, int index, const QString& text) {
    const std::optional<vault::Field> field = EntryListModel::fieldAt(index);
    return index >= 1 && field && entries_->setField(position, *field, text);
}

void ListView::setSortKey(int column) {
    if (const std::optional<vault::Field> field = EntryListModel::fieldAt(column)) {
        entries_->setSortKey(*field);
    }
}

bool ListView::selected(int position) const {
    if (!entries_->has(position)) {
        return false;
    }
    return selectionModel()->isRowSelected(position - 1, QModelIndex());
}

void ListView::setSelected(int position, bool selected) {
    if (!entries_->has(position)) {
        return;
    }
    const auto flags =
        (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) | QItemSelectionModel::Rows;
    selectionModel()->select(model_->index(position - 1, 0), flags);
}

int ListView::currentPosition() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

void ListView::selectOnly(int position) {
    if (!entries_->has(position)) {
        return;
    }
    const QModelIndex index = model_->index(position - 1, 0);
    // A row out of sight comes to the middle, where nothing lies over it. (Asked before the row becomes
    // current, which scrolls it just into sight.)
    const bool inSight = viewport()->rect().contains(visualRect(index));
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index, inSight ? EnsureVisible : PositionAtCenter);
}

int ListView::firstSelected() const {
    int first = 0;
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        const int position = index.row() + 1;
        if (first == 0 || position < first) {
            first = position;
        }
    }
    return first;
}
