#include "Cells.h"

#include "CellClasses.h"

#include "Win1254.h"

#include <QStringView>
#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <new>
#include <random>
#include <vector>

namespace {

QString listIndexError(int index)
{
    return QStringLiteral("List index out of bounds (%1)").arg(index);
}

} // namespace

// ---------------------------------------------------------------------------
// Cell storage. Cells live in 16 KiB blocks aligned to their size; the first
// bytes of a block name the store and the slot size, so a cell finds its store
// from its own address and needs no owner field. Each block serves one slot
// size; freed slots are reused first. Blocks come in groups that double in size
// (up to 1 MiB), so a small grid costs one block and a large one few allocations.
// When the store empties, the groups are kept for the rows that follow, up to
// RetainedBytes: memory handed back to the system costs a page fault per page
// when it is taken again, which made refilling a cleared grid several times
// slower than filling it the first time.

class TCells::Pool
{
public:
    static constexpr std::size_t BlockSize = 16384;
    static constexpr std::size_t HeaderSize = 64;
    static constexpr std::size_t MaxSlot = 64;
    static constexpr std::size_t MaxGroupBlocks = 64;
    static constexpr std::size_t RetainedBytes = std::size_t(64) << 20;

    explicit Pool(TCells* owner)
        : m_owner(owner)
    {
    }
    ~Pool() { reset(0); }
    Pool(const Pool&) = delete;
    Pool& operator=(const Pool&) = delete;

    void* allocate(std::size_t size)
    {
        const std::size_t slot = (size + 7) & ~std::size_t(7);
        SizeClass& sc = m_classes[slot / 8];
        if (sc.freeList) {
            FreeSlot* s = sc.freeList;
            sc.freeList = s->next;
            return s;
        }
        if (sc.bump + slot > sc.end) {
            char* block = takeBlock();
            auto* header = reinterpret_cast<BlockHeader*>(block);
            header->owner = m_owner;
            header->slotSize = slot;
            sc.bump = block + HeaderSize;
            sc.end = block + BlockSize;
        }
        void* p = sc.bump;
        sc.bump += slot;
        return p;
    }

    void release(void* p)
    {
        SizeClass& sc = m_classes[header(p)->slotSize / 8];
        auto* s = static_cast<FreeSlot*>(p);
        s->next = sc.freeList;
        sc.freeList = s;
    }

    // Every cell must already be destroyed. Keeps the first groups, up to
    // RetainedBytes, to be handed out again.
    void reset(std::size_t retainedBytes = RetainedBytes)
    {
        std::size_t kept = 0, n = 0;
        while (n < m_groups.size() && kept + m_groups[n].bytes <= retainedBytes)
            kept += m_groups[n++].bytes;
        for (std::size_t i = n; i < m_groups.size(); ++i)
            std::free(m_groups[i].memory);
        m_groups.resize(n);
        m_nextGroup = 0;
        m_supply = m_supplyEnd = nullptr;
        for (SizeClass& sc : m_classes)
            sc = SizeClass {};
    }

    static TCells* ownerOf(const void* p) { return header(p)->owner; }

private:
    struct BlockHeader
    {
        TCells* owner;
        std::size_t slotSize;
    };
    struct FreeSlot
    {
        FreeSlot* next;
    };
    struct SizeClass
    {
        FreeSlot* freeList = nullptr;
        char* bump = nullptr;
        char* end = nullptr;
    };

    static BlockHeader* header(const void* p)
    {
        return reinterpret_cast<BlockHeader*>(
            reinterpret_cast<std::uintptr_t>(p) & ~std::uintptr_t(BlockSize - 1));
    }

    char* takeBlock()
    {
        if (m_supply == m_supplyEnd) {
            if (m_nextGroup == m_groups.size()) {
                // Groups double in size as the store grows, counting the kept ones.
                const std::size_t blocks = m_groups.empty()
                    ? 1
                    : std::min(m_groups.back().bytes / BlockSize * 2, MaxGroupBlocks);
                void* memory = std::aligned_alloc(BlockSize, blocks * BlockSize);
                if (!memory)
                    throw std::bad_alloc();
                m_groups.push_back({ memory, blocks * BlockSize });
            }
            const Group& group = m_groups[m_nextGroup++];
            m_supply = static_cast<char*>(group.memory);
            m_supplyEnd = m_supply + group.bytes;
        }
        char* block = m_supply;
        m_supply += BlockSize;
        return block;
    }

    struct Group
    {
        void* memory;
        std::size_t bytes;
    };

    TCells* m_owner;
    std::array<SizeClass, MaxSlot / 8 + 1> m_classes {};
    std::vector<Group> m_groups;
    std::size_t m_nextGroup = 0;
    char* m_supply = nullptr;
    char* m_supplyEnd = nullptr;
};

// ---------------------------------------------------------------------------

TCells* TCell::Owner() const
{
    return TCells::Pool::ownerOf(this);
}

TGraphic* TCell::Graphic() const
{
    if (!(m_flags & ExtrasFlag))
        return nullptr;
    return Owner()->m_extras.value(this).graphic;
}

void TCell::SetGraphic(TGraphic* graphic)
{
    if (!graphic && !(m_flags & ExtrasFlag))
        return;
    m_flags |= ExtrasFlag;
    Owner()->m_extras[this].graphic = graphic;
}

QByteArray TCell::Hint() const
{
    if (!(m_flags & ExtrasFlag))
        return {};
    return Owner()->m_extras.value(this).hint;
}

void TCell::SetHint(const QByteArray& hint)
{
    if (hint.isEmpty() && !(m_flags & ExtrasFlag))
        return;
    m_flags |= ExtrasFlag;
    Owner()->m_extras[this].hint = hint;
}

void TCell::SetColor(TColor value)
{
    m_color = value;
    if (!Creating())
        reportChange();
}

TColor TCell::GetColor() const
{
    GridHost* grid = Owner()->Grid();
    return grid ? grid->GetCellBackColor(m_col, m_row) : m_color;
}

TColor TCell::GetFontColor() const
{
    GridHost* grid = Owner()->Grid();
    return grid ? grid->GetCellFontColor(m_col, m_row) : clWindowText;
}

void TCell::reportChange()
{
    Owner()->Changed(m_col, m_row);
}

void TCell::SetAsBoolean(bool)
{
    reportChange();
}

void TCell::SetAsDateTime(TDateTime)
{
    reportChange();
}

void TCell::SetAsFloat(double)
{
    reportChange();
}

void TCell::SetAsInteger(std::int32_t)
{
    reportChange();
}

void TCell::SetAsString(const QString&)
{
    reportChange();
}

// ---------------------------------------------------------------------------

TCells::TCells(GridHost* gridView, TColumns* columns)
    : m_grid(gridView)
    , m_columns(columns)
    , m_pool(std::make_unique<Pool>(this))
    , m_random(std::random_device {}() | 1)
{
    static_assert(sizeof(TStringCell) <= Pool::MaxSlot && sizeof(TFloatCell) <= Pool::MaxSlot
        && sizeof(TDateTimeCell) <= Pool::MaxSlot);
    // The text cell's form and length live in the base's padding.
    static_assert(sizeof(TStringCell) == 48);
}

TCells::~TCells()
{
    Clear();
    for (int c = 0; c < m_colCount; ++c)
        m_lists[c].reset();
}

const TCustomColumn* TCells::columnAt(int index) const
{
    if (!m_columns || index < 0 || index >= m_columns->Count())
        return nullptr;
    return m_columns->Items(index);
}

TCell* TCells::makeCell(const TCustomColumn* column)
{
    const std::uint8_t kind = column ? column->CellKind() : 7;
    TCell* cell = nullptr;
    switch (kind) {
    case 3:
        cell = new (m_pool->allocate(sizeof(TBooleanCell))) TBooleanCell;
        break;
    case 4:
        cell = new (m_pool->allocate(sizeof(TDateTimeCell))) TDateTimeCell;
        break;
    case 5:
        cell = new (m_pool->allocate(sizeof(TFloatCell))) TFloatCell;
        break;
    case 6:
        cell = new (m_pool->allocate(sizeof(TIntegerCell))) TIntegerCell;
        break;
    default:
        cell = new (m_pool->allocate(sizeof(TStringCell))) TStringCell;
        break;
    }
    // The column's colour, set while the cell is being made: nothing to report.
    cell->m_color = column ? column->Color() : 0;
    cell->m_flags &= ~TCell::CreatingFlag;
    return cell;
}

void TCells::freeCell(TCell* cell)
{
    if (cell->m_flags & TCell::ExtrasFlag)
        m_extras.remove(cell);
    cell->~TCell();
    m_pool->release(cell);
}

void TCells::freeList(CellList& list)
{
    for (TCell* cell : std::as_const(list))
        freeCell(cell);
    list.clear();
}

void TCells::releaseStorageIfEmpty()
{
    if (m_rowCount == 0 || m_colCount == 0) {
        m_extras.clear();
        m_pool->reset();
    }
}

void TCells::checkColumn(int col) const
{
    if (col < 0 || col >= m_colCount)
        throw EListError(listIndexError(col));
}

void TCells::checkRow(int row, int limit) const
{
    if (row < 0 || row >= limit)
        throw EListError(listIndexError(row));
}

TCell* TCells::Cell(int col, int row)
{
    checkColumn(col);
    checkRow(row, m_rowCount);
    TCell* cell = m_lists[col]->at(row);
    cell->m_col = static_cast<std::uint16_t>(col);
    cell->m_row = row;
    return cell;
}

void TCells::Changed(int col, int row)
{
    if (OnChange)
        OnChange(this, col, row);
    m_sorted = false;
}

// ---------------------------------------------------------------------------
// Columns

void TCells::ColumnsChanged(int kind, int index1, int index2)
{
    switch (kind & 0x7F) {
    case ColumnAdded:
        AddColumn();
        break;
    case ColumnDeleted:
        DeleteColumn(index1);
        break;
    case ColumnsCleared:
        DeleteAllColumns();
        break;
    case ColumnInserted:
        InsertColumn(index1);
        break;
    case ColumnMoved:
        MoveColumn(index1, index2);
        break;
    default:
        break;
    }
}

TCells::CellList TCells::makeList(const TCustomColumn* column)
{
    CellList list;
    list.reserve(m_rowCount);
    try {
        for (int r = 0; r < m_rowCount; ++r)
            list.append(makeCell(column));
    } catch (...) {
        freeList(list);
        throw;
    }
    return list;
}

void TCells::AddColumn()
{
    if (m_colCount >= MaxColumns)
        throw ERangeError();
    const TCustomColumn* last
        = m_columns && m_columns->Count() > 0 ? m_columns->Items(m_columns->Count() - 1) : nullptr;
    m_lists[m_colCount] = std::make_unique<CellList>(makeList(last));
    ++m_colCount;
}

void TCells::InsertColumn(int index)
{
    if (m_colCount >= MaxColumns)
        throw ERangeError();
    checkRow(index, m_colCount + 1);
    auto list = std::make_unique<CellList>(makeList(columnAt(index)));
    for (int c = m_colCount; c > index; --c)
        m_lists[c] = std::move(m_lists[c - 1]);
    m_lists[index] = std::move(list);
    ++m_colCount;
    m_sorted = false;
}

void TCells::DeleteColumn(int index)
{
    checkColumn(index);
    freeList(*m_lists[index]);
    for (int c = index; c < m_colCount - 1; ++c)
        m_lists[c] = std::move(m_lists[c + 1]);
    m_lists[m_colCount - 1].reset();
    --m_colCount;
    // The sort state follows its column, so a later sort of another column
    // under the same index is not mistaken for a repeat.
    if (index == m_sortColumn)
        m_sorted = false;
    else if (index < m_sortColumn)
        --m_sortColumn;
    if (m_colCount == 0)
        m_rowCount = 0;
    releaseStorageIfEmpty();
}

void TCells::DeleteAllColumns()
{
    while (m_colCount > 0)
        DeleteColumn(0);
}

void TCells::MoveColumn(int fromIndex, int toIndex)
{
    checkColumn(fromIndex);
    checkColumn(toIndex);
    if (fromIndex == toIndex)
        return;
    auto moving = std::move(m_lists[fromIndex]);
    if (fromIndex < toIndex) {
        for (int c = fromIndex; c < toIndex; ++c)
            m_lists[c] = std::move(m_lists[c + 1]);
    } else {
        for (int c = fromIndex; c > toIndex; --c)
            m_lists[c] = std::move(m_lists[c - 1]);
    }
    m_lists[toIndex] = std::move(moving);
    if (m_sortColumn == fromIndex)
        m_sortColumn = toIndex;
    else if (fromIndex < m_sortColumn && m_sortColumn <= toIndex)
        --m_sortColumn;
    else if (toIndex <= m_sortColumn && m_sortColumn < fromIndex)
        ++m_sortColumn;
}

// ---------------------------------------------------------------------------
// Rows

void TCells::AddRows(int count)
{
    if (count > 0) {
        QVarLengthArray<const TCustomColumn*, 32> columns(m_colCount);
        for (int c = 0; c < m_colCount; ++c) {
            columns[c] = columnAt(c);
            if (count > 1)
                m_lists[c]->reserve(m_rowCount + count);
        }
        for (int i = 0; i < count; ++i) {
            for (int c = 0; c < m_colCount; ++c)
                m_lists[c]->append(makeCell(columns[c]));
            ++m_rowCount;
        }
    }
    m_sorted = false;
}

void TCells::InsertRow(int row)
{
    checkRow(row, m_rowCount + 1);
    for (int c = 0; c < m_colCount; ++c)
        m_lists[c]->insert(row, makeCell(columnAt(c)));
    ++m_rowCount;
    m_sorted = false;
}

void TCells::DeleteRow(int row)
{
    checkRow(row, m_rowCount);
    for (int c = 0; c < m_colCount; ++c) {
        CellList& list = *m_lists[c];
        freeCell(list.at(row));
        list.removeAt(row);
    }
    --m_rowCount;
    releaseStorageIfEmpty();
}

void TCells::MoveRow(int fromRow, int toRow)
{
    checkRow(fromRow, m_rowCount);
    checkRow(toRow, m_rowCount);
    for (int c = 0; c < m_colCount; ++c)
        m_lists[c]->move(fromRow, toRow);
    m_sorted = false;
}

void TCells::Clear()
{
    for (int c = 0; c < m_colCount; ++c)
        freeList(*m_lists[c]);
    m_rowCount = 0;
    m_sorted = false;
    releaseStorageIfEmpty();
}

// ---------------------------------------------------------------------------
// Sorting. The values of the sort column are taken out once, into keys beside
// their row numbers; the keys are quick-sorted (random pivot, never the first
// of the range) and the resulting row order is applied to every column list in
// one pass. Taking the keys first means a value that cannot be converted stops
// the sort before anything has moved.

namespace {

struct IpKey
{
    std::array<std::uint32_t, 4> parts {};
    auto operator<=>(const IpKey&) const = default;
};

// Digits are collected; each "." and the end of the text close one of the four
// components, the first component being the one before the first ".".
IpKey ipKey(const QString& text)
{
    IpKey key;
    std::uint64_t number = 0;
    int part = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c >= u'0' && c <= u'9')
            number = std::min<std::uint64_t>(number * 10 + (c - u'0'), 0xFFFFFFFFu);
        if (c == u'.' || i == n - 1) {
            // Texts with more than four components keep the first four.
            if (part < 4)
                key.parts[std::size_t(part)] = std::uint32_t(number);
            ++part;
            number = 0;
        }
    }
    return key;
}

bool before(bool a, bool b)
{
    return !a && b;
}
bool before(double a, double b)
{
    // Not-a-number sorts first, so the order stays total.
    if (std::isnan(a))
        return !std::isnan(b);
    return a < b;
}
bool before(const IpKey& a, const IpKey& b)
{
    return a < b;
}

template <typename Key> struct Entry
{
    Key key;
    std::int32_t row;
};

class Sorter
{
public:
    explicit Sorter(std::uint64_t& random)
        : m_random(random)
    {
    }

    template <typename Key> void sort(std::vector<Entry<Key>>& entries, bool descending)
    {
        if (descending)
            quickSort(entries, 0, std::int64_t(entries.size()) - 1,
                [](const Key& a, const Key& b) { return before(b, a); });
        else
            quickSort(entries, 0, std::int64_t(entries.size()) - 1,
                [](const Key& a, const Key& b) { return before(a, b); });
    }

private:
    std::uint64_t next()
    {
        // xorshift64: the pivot only needs to be unpredictable to the data.
        m_random ^= m_random << 13;
        m_random ^= m_random >> 7;
        m_random ^= m_random << 17;
        return m_random;
    }

    template <typename Key, typename Before>
    void quickSort(std::vector<Entry<Key>>& a, std::int64_t lo, std::int64_t hi, Before less)
    {
        while (lo < hi) {
            const std::int64_t pick = lo + 1 + std::int64_t(next() % std::uint64_t(hi - lo));
            const Key pivot = a[std::size_t(pick)].key;
            std::int64_t i = lo - 1;
            std::int64_t j = hi + 1;
            for (;;) {
                do
                    ++i;
                while (less(a[std::size_t(i)].key, pivot));
                do
                    --j;
                while (less(pivot, a[std::size_t(j)].key));
                if (i != j)
                    std::swap(a[std::size_t(i)], a[std::size_t(j)]);
                if (i >= j)
                    break;
            }
            // The last exchange happened after the scans crossed: undo it.
            if (i != j)
                std::swap(a[std::size_t(i)], a[std::size_t(j)]);
            // Recurse into the smaller part, loop on the larger one.
            if (i - lo < hi - i + 1) {
                quickSort(a, lo, i - 1, less);
                lo = i;
            } else {
                quickSort(a, i, hi, less);
                hi = i - 1;
            }
        }
    }

    std::uint64_t& m_random;
};

template <typename Key>
std::vector<std::int32_t> orderOf(
    std::vector<Entry<Key>>& entries, bool descending, std::uint64_t& random)
{
    Sorter(random).sort(entries, descending);
    std::vector<std::int32_t> order;
    order.reserve(entries.size());
    for (const Entry<Key>& e : entries)
        order.push_back(e.row);
    return order;
}

// Texts are compared code unit by code unit, a text that ends first coming
// first. Sorting a million of them by pointer is a cache miss per comparison,
// so each text gets a key of one or two 64-bit words that orders as the text
// does: past the prefix that every text of the column shares, its first
// characters, each as its rank among the characters the column uses (0 where
// the text has ended), in as few bits as that many ranks need. Twelve digits
// fit in one word. Texts whose keys are equal and that go on past their keys
// are compared in full; when every text fits, equal keys mean equal texts.

// The texts of a column in row order, copied out of their cells into one
// block in a single pass: the passes that follow read memory in order instead
// of visiting a cell somewhere in the store for every row, every time.
class TextTable
{
public:
    explicit TextTable(std::size_t rows)
    {
        m_start.reserve(rows + 1);
        m_units.reserve(rows * 16);
    }

    void add(const TStringCell::View& text)
    {
        if (text.narrow) {
            const auto* p = static_cast<const unsigned char*>(text.data);
            m_units.insert(m_units.end(), p, p + text.length);
        } else {
            const auto* p = static_cast<const char16_t*>(text.data);
            m_units.insert(m_units.end(), p, p + text.length);
        }
        m_start.push_back(m_units.size());
    }
    std::size_t size() const { return m_start.size() - 1; }
    QStringView at(std::size_t row) const
    {
        return QStringView(
            m_units.data() + m_start[row], qsizetype(m_start[row + 1] - m_start[row]));
    }

private:
    std::vector<char16_t> m_units;
    std::vector<std::size_t> m_start { 0 };
};

class TextKeys
{
public:
    explicit TextKeys(const TextTable& texts)
        : m_rank(0x10000, 0)
    {
        if (texts.size() == 0)
            return;
        const QStringView first = texts.at(0);
        m_skip = first.size();
        qsizetype longest = 0;
        std::vector<std::uint64_t> seen(0x10000 / 64, 0);
        for (std::size_t r = 0; r < texts.size(); ++r) {
            const QStringView t = texts.at(r);
            qsizetype common = 0;
            const qsizetype limit = std::min(m_skip, t.size());
            while (common < limit && t[common] == first[common])
                ++common;
            m_skip = common;
            longest = std::max(longest, t.size());
            for (QChar c : t)
                seen[c.unicode() / 64] |= std::uint64_t(1) << (c.unicode() % 64);
        }
        std::uint32_t ranks = 0;
        for (std::uint32_t c = 0; c < 0x10000; ++c)
            if (seen[c / 64] >> (c % 64) & 1)
                m_rank[c] = ++ranks;
        m_bits = std::max(1, int(std::bit_width(ranks)));
        m_perWord = 64 / m_bits;
        m_words = longest - m_skip <= m_perWord ? 1 : 2;
        m_exact = longest - m_skip <= qsizetype(m_words) * m_perWord;
    }

    int words() const { return m_words; }
    bool exact() const { return m_exact; }

    void encode(QStringView t, std::uint64_t* key) const
    {
        qsizetype i = m_skip;
        for (int w = 0; w < m_words; ++w) {
            std::uint64_t word = 0;
            for (int k = 0; k < m_perWord; ++k, ++i)
                word = (word << m_bits) | (i < t.size() ? m_rank[t[i].unicode()] : 0);
            key[w] = word;
        }
    }

private:
    std::vector<std::uint32_t> m_rank;
    qsizetype m_skip = 0;
    int m_bits = 1;
    int m_perWord = 64;
    int m_words = 1;
    bool m_exact = true;
};

template <int Words> struct TextEntry
{
    std::array<std::uint64_t, Words> key;
    std::int32_t row;
};

template <int Words>
std::vector<std::int32_t> textOrder(const TextTable& texts, const TextKeys& keys, bool descending)
{
    std::vector<TextEntry<Words>> entries(texts.size());
    for (std::size_t r = 0; r < texts.size(); ++r) {
        keys.encode(texts.at(r), entries[r].key.data());
        entries[r].row = std::int32_t(r);
    }
    const bool exact = keys.exact();
    auto less = [&](const TextEntry<Words>& a, const TextEntry<Words>& b) {
        for (int w = 0; w < Words; ++w)
            if (a.key[w] != b.key[w])
                return a.key[w] < b.key[w];
        return !exact && texts.at(std::size_t(a.row)) < texts.at(std::size_t(b.row));
    };
    if (descending)
        std::sort(entries.begin(), entries.end(),
            [&](const TextEntry<Words>& a, const TextEntry<Words>& b) { return less(b, a); });
    else
        std::sort(entries.begin(), entries.end(), less);
    std::vector<std::int32_t> order;
    order.reserve(entries.size());
    for (const TextEntry<Words>& e : entries)
        order.push_back(e.row);
    return order;
}

std::vector<std::int32_t> textOrder(const TextTable& texts, bool descending)
{
    const TextKeys keys(texts);
    return keys.words() == 1 ? textOrder<1>(texts, keys, descending)
                             : textOrder<2>(texts, keys, descending);
}

// Rows far apart sit far apart in the store: reading them in row order waits
// on memory for each. Asking for the cells a few rows ahead overlaps the waits.
constexpr std::size_t PrefetchDistance = 64;

} // namespace

void TCells::sortRows(int col, TSortType sortType, bool descending)
{
    const CellList& cells = *m_lists[col];
    const std::size_t n = std::size_t(m_rowCount);
    std::vector<std::int32_t> order;

    switch (sortType) {
    case stAlphabetic: {
        TextTable texts(n);
        TCell* const* list = cells.constData();
        for (std::size_t r = 0; r < n; ++r) {
            if (r + PrefetchDistance < n)
                __builtin_prefetch(list[r + PrefetchDistance]);
            const TCell* cell = list[r];
            if (cell->m_class == TCell::StringClass) {
                texts.add(static_cast<const TStringCell*>(cell)->Text());
            } else {
                const QString text = cell->GetAsString();
                texts.add({ text.constData(), text.size(), false });
            }
        }
        order = textOrder(texts, descending);
        break;
    }
    case stBoolean: {
        std::vector<Entry<bool>> entries(n);
        for (std::size_t r = 0; r < n; ++r)
            entries[r] = { cells.at(qsizetype(r))->GetAsBoolean(), std::int32_t(r) };
        order = orderOf(entries, descending, m_random);
        break;
    }
    case stNumeric:
    case stDate: {
        std::vector<Entry<double>> entries(n);
        for (std::size_t r = 0; r < n; ++r) {
            const TCell* cell = cells.at(qsizetype(r));
            entries[r] = { sortType == stNumeric ? cell->GetAsFloat() : cell->GetAsDateTime(),
                std::int32_t(r) };
        }
        order = orderOf(entries, descending, m_random);
        break;
    }
    case stIP: {
        std::vector<Entry<IpKey>> entries(n);
        for (std::size_t r = 0; r < n; ++r)
            entries[r] = { ipKey(Win1254::toAnsi(cells.at(qsizetype(r))->GetAsString())),
                std::int32_t(r) };
        order = orderOf(entries, descending, m_random);
        break;
    }
    }

    // Whole rows move together: every column list takes the same order.
    std::vector<TCell*> sorted(n);
    for (int c = 0; c < m_colCount; ++c) {
        TCell** list = m_lists[c]->data();
        for (std::size_t i = 0; i < n; ++i) {
            if (i + PrefetchDistance < n)
                __builtin_prefetch(list + order[i + PrefetchDistance]);
            sorted[i] = list[order[i]];
        }
        std::copy(sorted.begin(), sorted.end(), list);
    }
}

void TCells::Sort(int col, TSortType sortType, bool descending)
{
    checkColumn(col);
    if (!m_sorted || col != m_sortColumn) {
        sortRows(col, sortType, descending);
    } else if (descending != m_sortDescending) {
        for (int c = 0; c < m_colCount; ++c)
            std::reverse(m_lists[c]->begin(), m_lists[c]->end());
    }
    m_sortColumn = col;
    m_sortDescending = descending;
    m_sorted = true;
}
