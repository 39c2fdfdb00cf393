// The wizard's checkable folder model on a real folder tree (dir/sub, dir/sub2, dir2 below a
// temporary folder): each row of the table is a sequence of ticks and unticks, followed by
// the chosen paths and the ticked items it must give. The model is watched all along by
// QAbstractItemModelTester, so a wrong dataChanged or index fails the test as well. The
// sibling names dir and dir2 show that paths are compared by whole components: ticking or
// unticking one never changes the other.
#include <QtCore/QDir>
#include <QtCore/QTemporaryDir>
#include <QtTest/QAbstractItemModelTester>
#include <QtWidgets/QApplication>

#include "cfilesystemmodel.h"
#include "controller_test.h"

namespace {

const QStringList kTree = {"dir/sub", "dir/sub2", "dir2", "dir2/inner"};
// The items whose check state the table states, relative to the temporary folder ("" is the
// folder itself).
const QStringList kWatched = {"", "dir", "dir/sub", "dir/sub2", "dir2", "dir2/inner"};

}  // namespace

class CFileSystemModelTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString base_;

  QString full(const QString& relative) const {
    return relative == "/" ? relative : relative.isEmpty() ? base_ : base_ + "/" + relative;
  }

  // A model over the temporary tree with every folder of it loaded. The model's tree starts
  // at "/" whatever its root path, and the model tester walks all of it: only the names on
  // the way to the temporary tree are shown, so that the walk stays small.
  void load(CFileSystemModel& model) {
    model.setFilter(QDir::Dirs | QDir::NoDotAndDotDot);
    QStringList names = base_.split('/', Qt::SkipEmptyParts);
    for (const QString& folder : kTree) names << folder.split('/');
    model.setNameFilters(names);
    model.setNameFilterDisables(false);
    model.setRootPath(QString());
    for (const QString& folder : {QString(), QString("dir"), QString("dir2")}) {
      const QModelIndex index = model.index(full(folder));
      QVERIFY(index.isValid());
      if (model.canFetchMore(index)) model.fetchMore(index);
      const int expected = folder.isEmpty() ? 2 : folder == "dir" ? 2 : 1;
      QTRY_COMPARE(model.rowCount(index), expected);
    }
  }

  QString checkedItems(const CFileSystemModel& model) const {
    QStringList out;
    for (const QString& item : kWatched) {
      if (model.data(model.index(full(item)), Qt::CheckStateRole).toInt() == Qt::Checked) {
        out << (item.isEmpty() ? "." : item);
      }
    }
    return out.join(',');
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    base_ = QDir::cleanPath(dir_.path());
    for (const QString& folder : kTree) QVERIFY(QDir().mkpath(full(folder)));
    QFile file(full("dir/a.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
  }

  void tickAndUntick_data() {
    QTest::addColumn<QStringList>("steps");     // "+path" ticks, "-path" unticks
    QTest::addColumn<QStringList>("selected");  // relative to the temporary folder
    QTest::addColumn<QString>("checked");       // the ticked items of kWatched

    QTest::newRow("a folder ticks its ancestors")
        << QStringList{"+dir/sub"} << QStringList{"dir/sub"} << ".,dir,dir/sub";
    QTest::newRow("a deeper folder replaces its chosen ancestor")
        << QStringList{"+dir", "+dir/sub"} << QStringList{"dir/sub"} << ".,dir,dir/sub";
    QTest::newRow("dir2 stays when dir/sub is ticked")
        << QStringList{"+dir2", "+dir/sub"} << QStringList{"dir2", "dir/sub"}
        << ".,dir,dir/sub,dir2";
    QTest::newRow("dir/sub stays when dir2/inner is ticked")
        << QStringList{"+dir/sub", "+dir2/inner"} << QStringList{"dir/sub", "dir2/inner"}
        << ".,dir,dir/sub,dir2,dir2/inner";
    QTest::newRow("a parent stays ticked for its other child")
        << QStringList{"+dir/sub", "+dir/sub2", "-dir/sub"} << QStringList{"dir/sub2"}
        << ".,dir,dir/sub2";
    QTest::newRow("the last child unticks its parents")
        << QStringList{"+dir/sub", "+dir/sub2", "-dir/sub", "-dir/sub2"} << QStringList{}
        << "";
    QTest::newRow("unticking dir keeps dir2")
        << QStringList{"+dir2", "+dir/sub", "-dir"} << QStringList{"dir2"} << ".,dir2";
    QTest::newRow("unticking dir2 keeps dir/sub")
        << QStringList{"+dir/sub", "-dir2"} << QStringList{"dir/sub"} << ".,dir,dir/sub";
    QTest::newRow("unticking the folder drops everything below it")
        << QStringList{"+dir/sub", "+dir2/inner", "-"} << QStringList{} << "";
    QTest::newRow("ticking a chosen folder again keeps one entry")
        << QStringList{"+dir", "+dir"} << QStringList{"dir"} << ".,dir";
    QTest::newRow("re-ticking an ancestor keeps the deeper choice")
        << QStringList{"+dir/sub", "+dir"} << QStringList{"dir/sub"} << ".,dir,dir/sub";
    QTest::newRow("the root folder") << QStringList{"+/"} << QStringList{"/"} << "";
    QTest::newRow("a folder below the chosen root replaces it")
        << QStringList{"+/", "+dir"} << QStringList{"dir"} << ".,dir";
    QTest::newRow("unticking the root drops everything")
        << QStringList{"+dir/sub", "+dir2", "-/"} << QStringList{} << "";
  }

  void tickAndUntick() {
    QFETCH(QStringList, steps);
    QFETCH(QStringList, selected);
    QFETCH(QString, checked);

    CFileSystemModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    load(model);
    if (QTest::currentTestFailed()) return;
    for (const QString& step : steps) {
      const QString path = step.mid(1);
      const QModelIndex index = model.index(path == "/" ? "/" : full(path));
      QVERIFY2(index.isValid(), qPrintable(step));
      QVERIFY(model.setData(index, step.startsWith('+') ? Qt::Checked : Qt::Unchecked,
                            Qt::CheckStateRole));
    }
    QStringList expected;
    for (const QString& path : selected) expected << full(path);
    QCOMPARE(model.selectedPaths(), expected);
    QCOMPARE(checkedItems(model), checked);
  }

  // A tick ticks every ancestor up to "/", one dataChanged per index for the check state.
  void tickSignalsEachAncestor() {
    CFileSystemModel model;
    load(model);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    const QModelIndex sub = model.index(full("dir/sub"));
    QVERIFY(model.setData(sub, Qt::Checked, Qt::CheckStateRole));
    int depth = 0;
    for (QModelIndex at = sub; at.isValid(); at = at.parent()) ++depth;
    QCOMPARE(changed.count(), depth);
    for (const QList<QVariant>& signal : changed) {
      QCOMPARE(signal.at(0).toModelIndex(), signal.at(1).toModelIndex());
      QCOMPARE(signal.at(2).value<QList<int>>(), QList<int>{Qt::CheckStateRole});
    }
    QCOMPARE(model.data(model.index("/"), Qt::CheckStateRole).toInt(), int(Qt::Checked));
  }

  // Other columns and roles are the file-system model's; every item is checkable, files too.
  void otherColumnsAndRolesAreTheBaseModels() {
    CFileSystemModel model;
    QFileSystemModel plain;
    for (QFileSystemModel* m : {static_cast<QFileSystemModel*>(&model), &plain}) {
      m->setFilter(QDir::AllEntries | QDir::NoDotAndDotDot);
      m->setRootPath(base_);
    }
    const QModelIndex dir = model.index(full("dir"));
    if (model.canFetchMore(dir)) model.fetchMore(dir);
    QTRY_COMPARE(model.rowCount(dir), 3);
    const QModelIndex file = model.index(full("dir/a.txt"));
    QVERIFY(file.isValid());
    QVERIFY(model.flags(file) & Qt::ItemIsUserCheckable);
    QVERIFY(model.flags(dir) & Qt::ItemIsUserCheckable);
    QCOMPARE(model.flags(file) & ~Qt::ItemFlags(Qt::ItemIsUserCheckable),
             plain.flags(plain.index(full("dir/a.txt"))));

    const QModelIndex size = model.index(file.row(), 1, file.parent());
    QCOMPARE(model.data(size, Qt::CheckStateRole), QVariant());
    QVERIFY(!model.setData(size, Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(model.data(file, Qt::DisplayRole), plain.data(plain.index(full("dir/a.txt"))));
    QVERIFY(model.selectedPaths().isEmpty());
    QCOMPARE(model.data(file, Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
  }
};

TESSALY_TEST_MAIN(CFileSystemModelTest, QApplication)
#include "cfilesystemmodel_test.moc"
