#include "thiessenwindow/model/gauge_table_model.h"

#include "thiessenwindow/model/study_model.h"

namespace rainfall {

GaugeTableModel::GaugeTableModel(StudyModel& study, QObject* parent)
    : QAbstractTableModel(parent), study_(study)
{
    connect(&study_, &StudyModel::studyChanged, this, [this] {
        beginResetModel();
        endResetModel();
    });
    connect(&study_, &StudyModel::valuesChanged, this, [this] {
        if (rowCount() > 0)
            emit dataChanged(index(0, Area), index(rowCount() - 1, Rainfall));
    });
}

int GaugeTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(study_.GaugeCount());
}

int GaugeTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Columns;
}

QVariant GaugeTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::TextAlignmentRole)
        return index.column() == Id ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                    : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const GaugeRow row = study_.Row(index.row());
    const QString* const columns[Columns] = {&row.id,   &row.x,      &row.y,
                                             &row.area, &row.weight, &row.rainfall};
    return *columns[index.column()];
}

QVariant GaugeTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    const QString unit = study_.AreaUnit();
    if (role == Qt::ToolTipRole && section == Area && unit.isEmpty() && study_.Catchment())
        return "In the files' unit, squared: neither file names its coordinate system";
    if (role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Id:
        return "Id";
    case X:
        return "x";
    case Y:
        return "y";
    case Area:
        return unit.isEmpty() ? "Area" : "Area (" + unit + ")";
    case Weight:
        return "Weight";
    case Rainfall:
        return "Rainfall";
    default:
        return {};
    }
}

Qt::ItemFlags GaugeTableModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.column() == Rainfall && study_.Step() < 0)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool GaugeTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || index.column() != Rainfall || study_.Step() >= 0)
        return false;
    study_.SetTypedRainfall(index.row(), value.toString());
    return true;
}

} // namespace rainfall
