// A list model over a vector of plain rows: the window fills it with the rows
// its query gave (calculated columns included) and the subclass says how a
// row shows.  Nothing is read while painting.
#pragma once

#include <QAbstractTableModel>
#include <vector>

template <typename Row> class RowsModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setRows(std::vector<Row> rows) {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
    }
    const std::vector<Row>& rows() const { return m_rows; }
    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : int(m_rows.size());
    }

protected:
    // The row of an index, or null for an invalid one.
    const Row* rowAt(const QModelIndex& index) const {
        return index.isValid() && index.row() < int(m_rows.size()) ? &m_rows[std::size_t(index.row())] : nullptr;
    }

    std::vector<Row> m_rows;
};
