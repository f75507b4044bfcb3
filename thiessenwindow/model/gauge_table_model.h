#pragma once

#include <QAbstractTableModel>

namespace rainfall {

class StudyModel;

// The gauges of the open study as a table: id, place, area and weight in the
// chosen basin, and the rainfall, which is typed in the last column (but not
// at a step of a series, whose values it shows).
class GaugeTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Id, X, Y, Area, Weight, Rainfall, Columns };

    explicit GaugeTableModel(StudyModel& study, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
    StudyModel& study_;
};

} // namespace rainfall
