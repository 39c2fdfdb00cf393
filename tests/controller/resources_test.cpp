// The compiled resource tree as the window sees it: every image loads at the size its widget
// expects, the tree holds exactly the listed files, each state of a control looks different
// from the others, device pictures fall back to the generic NAS, and the five application
// style sheets are well-formed and give each group of widgets its font through Qt's own style
// engine. Qt reports a missing image or a dropped style rule only by drawing nothing, so these
// checks are where such a fault shows.
#include "controller_test.h"
#include "resource_paths.h"

#include <QtCore/QDirIterator>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QRegularExpression>
#include <QtCore/QSet>
#include <QtCore/QStringDecoder>
#include <QtGui/QIcon>
#include <QtGui/QImage>
#include <QtGui/QImageReader>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>

#include <map>
#include <tuple>

namespace {

// Every PNG of the tree. A size of 0 x 0 marks a frame that the widgets stretch (a border
// image), whose own size is free.
struct ImageSize {
  const char* name;
  int width;
  int height;
};

const ImageSize kImages[] = {
    {"bg.png", 800, 600}, {"local_directory_bg.png", 401, 368},
    {"icon_minify_n.png", 32, 32}, {"icon_minify_f.png", 32, 32},
    {"icon_close_n.png", 32, 32}, {"icon_close_f.png", 32, 32},
    {"icon_close_ln.png", 20, 29}, {"icon_close_lf.png", 20, 29},
    {"icon_backups.png", 171, 132}, {"icon_backups_f.png", 171, 132},
    {"icon_logs.png", 171, 132}, {"icon_logs_f.png", 171, 132},
    {"icon_settings_n.png", 171, 132}, {"icon_settings_f.png", 171, 132},
    {"icon_new_backup.png", 48, 48},
    {"icon_backups_n.png", 96, 96}, {"icon_backups_sf.png", 96, 96},
    {"icon_backup_configuration_n.png", 96, 96}, {"icon_backup_configuration_f.png", 96, 96},
    {"icon_language_n.png", 96, 96}, {"icon_language_f.png", 96, 96},
    {"icon_email_notification_n.png", 96, 96}, {"icon_email_notification_f.png", 96, 96},
    {"icon_log_n.png", 96, 96}, {"icon_log_f.png", 96, 96},
    {"icon_misc_n.png", 96, 96}, {"icon_misc_f.png", 96, 96},
    {"btn_common_04_n.png", 583, 204}, {"btn_common_04_f.png", 583, 204},
    {"icon_source.png", 40, 40}, {"icon_source_f.png", 40, 40},
    {"icon_status.png", 40, 40}, {"icon_status_f.png", 40, 40},
    {"icon_distination.png", 40, 40}, {"icon_distination_f.png", 40, 40},
    {"icon_backup.png", 40, 40}, {"icon_restore.png", 40, 40},
    {"icon_-check_item.png", 24, 24}, {"icon_fail_item.png", 24, 24},
    {"icon_fail_item_f.png", 24, 24},
    {"icon_box_information.png", 40, 40}, {"icon_box_question.png", 40, 40},
    {"icon_box_warning.png", 40, 40}, {"icon_box_critical.png", 40, 40},
    {"icon_KMR-415.png", 53, 80}, {"icon_KMR-420.png", 53, 80}, {"icon_KMR-420B.png", 53, 80},
    {"icon_KMR-420L.png", 53, 80}, {"icon_KMR-420LW.png", 53, 80}, {"icon_KMR-421.png", 53, 80},
    {"icon_KMR-423.png", 53, 80}, {"icon_KMR-425.png", 53, 80}, {"icon_KMR-427L.png", 53, 80},
    {"icon_KMR-443.png", 53, 80}, {"icon_KMR-445.png", 53, 80},
    {"icon_KMR-2100-04.png", 53, 80}, {"icon_KMR-2200-05.png", 53, 80},
    {"icon_NAS-generic.png", 53, 80},
    {"btn_common_01_n.png", 0, 0}, {"btn_common_01_f.png", 0, 0}, {"btn_common_01_d.png", 0, 0},
    {"btn_common_03_n.png", 0, 0}, {"btn_common_03_f.png", 0, 0}, {"btn_common_03_d.png", 0, 0},
    {"btn_common_05_n.png", 0, 0}, {"btn_common_05_f.png", 0, 0}, {"btn_common_05_d.png", 0, 0},
    {"btn_common_06_n.png", 0, 0}, {"btn_common_06_f.png", 0, 0}, {"btn_common_06_d.png", 0, 0},
    {"check_box_01_n.png", 25, 25}, {"check_box_01_f.png", 25, 25}, {"check_box_01_d.png", 25, 25},
    {"check_box_02_n.png", 21, 21}, {"check_box_02_f.png", 21, 21}, {"check_box_02_d.png", 21, 21},
    {"check_box_02_p.png", 21, 21},
    {"input_box.png", 0, 0}, {"input_box_02.png", 0, 0}, {"input_box_d.png", 0, 0},
    {"input_box_restore.png", 0, 0}, {"input_box_black_01.png", 0, 0},
    {"input_box_black_01_d.png", 0, 0}, {"input_box_black_02.png", 0, 0},
    {"drop_down_menu_tiny_bg.png", 0, 0}, {"drop_down_menu_wide_bg.png", 0, 0},
    {"big_arrow_down.png", 26, 26}, {"small_arrow_up.png", 15, 14},
    {"small_arrow_down.png", 15, 14}, {"colon.png", 8, 36},
    {"content_area_01_bg.png", 0, 0}, {"content_area_02_bg.png", 487, 133},
    {"content_area_02_bg_n.png", 0, 0}, {"content_area_02_bg_d.png", 0, 0},
    {"content_area_03_bg.png", 590, 509}, {"device_content.png", 0, 0},
    {"device_header1.png", 0, 0}, {"device_header2.png", 0, 0},
    {"line.png", 560, 2}, {"folder.png", 16, 16},
    {"log_header1.png", 131, 33}, {"log_header2.png", 116, 33}, {"log_header3.png", 205, 33},
    {"log_2_1.png", 131, 33}, {"log_2_2.png", 116, 33}, {"log_2_3.png", 205, 33},
    {"arrow_left_n.png", 32, 32}, {"arrow_left_f.png", 32, 32}, {"arrow_left_d.png", 32, 32},
    {"arrow_right_n.png", 32, 32}, {"arrow_right_f.png", 32, 32}, {"arrow_right_d.png", 32, 32},
    {"scroll_vertical_bar.png", 0, 0}, {"scroll_vertical_bar_d.png", 0, 0},
    {"scroll_horizontal_bar.png", 0, 0},
    {"scroll_arrow_up.png", 15, 15}, {"scroll_arrow_up_d.png", 15, 15},
    {"scroll_arrow_down.png", 15, 15}, {"scroll_arrow_down_d.png", 15, 15},
    {"scroll_arrow_left.png", 15, 15}, {"scroll_arrow_right.png", 15, 15},
    {"scroll_bg_top.png", 0, 0}, {"scroll_bg_top_d.png", 0, 0}, {"scroll_bg_base.png", 0, 0},
    {"scroll_bg_base_d.png", 0, 0}, {"scroll_bg_left.png", 0, 0}, {"scroll_bg_right.png", 0, 0},
    {"tab_bg_n.png", 0, 0}, {"tab_bg_d.png", 0, 0},
    {"tab_arrow_left_n.png", 16, 16}, {"tab_arrow_left_d.png", 16, 16},
    {"tab_arrow_right_n.png", 16, 16}, {"tab_arrow_right_d.png", 16, 16},
};

const char* const kDeviceModels[] = {"KMR-415",  "KMR-420",     "KMR-420B",   "KMR-420L",
                                     "KMR-420LW", "KMR-421",     "KMR-423",    "KMR-425",
                                     "KMR-427L", "KMR-443",     "KMR-445",    "KMR-2100-04",
                                     "KMR-2200-05"};

QString imagePath(const QString& name) { return QStringLiteral(":/images/") + name; }

// One sheet and what sets it apart: the family of every rule but the task panel texts, the
// task panel size, and the size of the log header labels label_15 to label_18.
struct Sheet {
  const char* file;
  const char* family;
  int panelPt;
  int logHeaderPt;
};

const Sheet kSheets[] = {
    {"English.qss", "Calibri", 9, 11},
    {"Portuguese.qss", "Calibri", 9, 10},
    {"Russian.qss", "Calibri", 8, 10},
    {"SimplifiedChinese.qss", "\u5b8b\u4f53", 9, 11},  // 宋体 (SimSun)
    {"TraditionalChinese.qss", "MingLiU", 9, 11},
};

QByteArray readResource(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

struct Rule {
  QStringList names;  // object names of the selector list, without '#'
  QString body;       // declarations between the braces, trimmed
};

// The rules of a sheet with comments removed; an empty list when the braces do not pair up.
QList<Rule> parseRules(QString text) {
  text.remove(QRegularExpression(QStringLiteral("/\\*.*?\\*/"),
                                 QRegularExpression::DotMatchesEverythingOption));
  QList<Rule> rules;
  qsizetype at = 0;
  while (true) {
    const qsizetype open = text.indexOf(QLatin1Char('{'), at);
    if (open < 0) {
      if (!text.mid(at).trimmed().isEmpty()) return {};
      break;
    }
    const qsizetype close = text.indexOf(QLatin1Char('}'), open);
    if (close < 0 || text.mid(open + 1, close - open - 1).contains(QLatin1Char('{'))) return {};
    Rule rule;
    for (const QString& selector : text.mid(at, open - at).split(QLatin1Char(','))) {
      rule.names << selector.trimmed();
    }
    rule.body = text.mid(open + 1, close - open - 1).trimmed();
    rules << rule;
    at = close + 1;
  }
  return rules;
}

}  // namespace

class ResourcesTest : public QObject {
  Q_OBJECT

 private slots:
  void imageLoads_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    for (const ImageSize& image : kImages) {
      QTest::newRow(image.name) << QString::fromLatin1(image.name)
                                << (image.width ? QSize(image.width, image.height) : QSize());
    }
  }

  void imageLoads() {
    QFETCH(QString, name);
    QFETCH(QSize, size);
    const QImage image(imagePath(name));
    QVERIFY2(!image.isNull(), qPrintable(name));
    if (size.isValid()) QCOMPARE(image.size(), size);
  }

  // The tree holds the 133 images and the window icon under images/, and the five sheets at
  // its root; nothing is missing and nothing else is there.
  void treeHoldsExactlyTheList() {
    QSet<QString> expected;
    for (const ImageSize& image : kImages) expected.insert(QString::fromLatin1(image.name));
    QCOMPARE(expected.size(), 133);
    expected.insert(QStringLiteral("brelkin.ico"));

    QSet<QString> found;
    QDirIterator images(QStringLiteral(":/images"), QDir::Files);
    while (images.hasNext()) found.insert(QFileInfo(images.next()).fileName());
    QCOMPARE(found, expected);

    QSet<QString> sheets;
    for (const Sheet& sheet : kSheets) sheets.insert(QString::fromLatin1(sheet.file));
    QSet<QString> rootSheets;
    QDirIterator root(QStringLiteral(":/"), {QStringLiteral("*.qss")}, QDir::Files);
    while (root.hasNext()) rootSheets.insert(QFileInfo(root.next()).fileName());
    QCOMPARE(rootSheets, sheets);
  }

  void windowIcon() {
    QImageReader reader(imagePath(QStringLiteral("brelkin.ico")));
    QVERIFY(reader.canRead());
    QVERIFY(reader.imageCount() >= 3);
    QSet<int> sizes;
    for (int i = 0; i < reader.imageCount(); ++i) {
      QVERIFY(reader.jumpToImage(i));
      const QImage image = reader.read();
      QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
      QCOMPARE(image.width(), image.height());
      // Transparent corners, opaque middle: the alpha channel came through.
      QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
      QCOMPARE(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 255);
      sizes.insert(image.width());
    }
    for (int size : {16, 32, 48}) QVERIFY2(sizes.contains(size), qPrintable(QString::number(size)));
    QVERIFY(!QIcon(imagePath(QStringLiteral("brelkin.ico"))).isNull());
  }

  // Hover, checked and disabled states must be told apart at a glance: each state of a
  // control differs from its normal picture.
  void statesDiffer() {
    std::map<QString, QImage> images;
    for (const ImageSize& image : kImages) {
      images[QString::fromLatin1(image.name)] = QImage(imagePath(QString::fromLatin1(image.name)));
    }
    int pairs = 0;
    for (const auto& [name, image] : images) {
      static const QRegularExpression state(QStringLiteral("^(.*?)(_sf|_f|_d)\\.png$"));
      const QRegularExpressionMatch m = state.match(name);
      if (!m.hasMatch()) continue;
      for (const QString& normal : {m.captured(1) + QStringLiteral("_n.png"),
                                    m.captured(1) + QStringLiteral(".png")}) {
        const auto other = images.find(normal);
        if (other == images.end()) continue;
        QVERIFY2(image != other->second, qPrintable(name + QStringLiteral(" = ") + normal));
        ++pairs;
      }
    }
    QVERIFY(pairs >= 40);
  }

  void deviceIcon_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("path");
    for (const char* model : kDeviceModels) {
      QTest::newRow(model) << QString::fromLatin1(model)
                           << QStringLiteral(":/images/icon_%1.png").arg(QLatin1String(model));
    }
    const QString generic = QStringLiteral(":/images/icon_NAS-generic.png");
    QTest::newRow("unknown model") << QStringLiteral("KMR-999") << generic;
    QTest::newRow("lower case") << QStringLiteral("kmr-420") << generic;
    QTest::newRow("no model") << QString() << generic;
  }

  void deviceIcon() {
    QFETCH(QString, model);
    QFETCH(QString, path);
    QCOMPARE(tessaly_resources::deviceIcon(model), path);
    QVERIFY(QFile::exists(path));
    QCOMPARE(QFile::exists(QStringLiteral(":/images/icon_%1.png").arg(model)),
             path != tessaly_resources::genericDeviceIcon());
  }

  // Two models never share a picture, and none looks like the generic NAS.
  void devicePicturesDiffer() {
    QList<QImage> seen{QImage(tessaly_resources::genericDeviceIcon())};
    for (const char* model : kDeviceModels) {
      const QImage image(tessaly_resources::deviceIcon(QString::fromLatin1(model)));
      QVERIFY2(!seen.contains(image), model);
      seen << image;
    }
  }

  void sheetText_data() {
    QTest::addColumn<QString>("file");
    for (const Sheet& sheet : kSheets) QTest::newRow(sheet.file) << QString::fromLatin1(sheet.file);
  }

  // UTF-8, CR LF line ends; six rules that set only the font on widgets named by '#name',
  // each name in one rule only, and the same widgets in every sheet; then the rules of the
  // message boxes and file dialogs, the same in every sheet but for the font's families.
  void sheetText() {
    QFETCH(QString, file);
    const QByteArray bytes = readResource(QStringLiteral(":/") + file);
    QVERIFY(!bytes.isEmpty());
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    QVERIFY2(!decoder.hasError(), "not UTF-8");
    QVERIFY(bytes.endsWith("\r\n"));
    QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
    QCOMPARE(bytes.count('\r'), bytes.count("\r\n"));

    const QList<Rule> rules = parseRules(text);
    QVERIFY(rules.size() > 6);
    static const QRegularExpression name(QStringLiteral("^#[A-Za-z][A-Za-z0-9_]*$"));
    static const QRegularExpression fontOnly(QStringLiteral("^font\\s*:[^;:{}]+;?$"));
    QSet<QString> names;
    for (const Rule& rule : rules.mid(0, 6)) {
      QVERIFY2(fontOnly.match(rule.body).hasMatch(), qPrintable(rule.body));
      for (const QString& selector : rule.names) {
        QVERIFY2(name.match(selector).hasMatch(), qPrintable(selector));
        QVERIFY2(!names.contains(selector), qPrintable(selector + QStringLiteral(" twice")));
        names.insert(selector);
      }
    }
    const QList<Rule> english = parseRules(QString::fromUtf8(readResource(QStringLiteral(":/English.qss"))));
    QSet<QString> englishNames;
    for (const Rule& rule : english.mid(0, 6)) englishNames.unite(QSet<QString>(rule.names.begin(), rule.names.end()));
    QCOMPARE(names, englishNames);

    const QString family = rules[0].body.section(QStringLiteral("pt"), 1).trimmed().chopped(1);
    const QString englishFamily = english[0].body.section(QStringLiteral("pt"), 1).trimmed().chopped(1);
    QCOMPARE(rules.size(), english.size());
    for (qsizetype i = 6; i < rules.size(); ++i) {
      for (const QString& selector : rules[i].names) {
        QVERIFY2(selector.startsWith(QStringLiteral("QMessageBox")) || selector.startsWith(QStringLiteral("QFileDialog")),
                 qPrintable(selector));
      }
      QCOMPARE(rules[i].names, english[i].names);
      QCOMPARE(QString(rules[i].body).replace(family, englishFamily), english[i].body);
    }

    // Any image a sheet names must be in the tree.
    static const QRegularExpression url(QStringLiteral("url\\(\\s*([^)\\s]+)\\s*\\)"));
    for (auto it = url.globalMatch(text); it.hasNext();) {
      const QString target = it.next().captured(1);
      QVERIFY2(QFile::exists(target), qPrintable(target));
    }
  }

  void sheetFont_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("object");
    QTest::addColumn<int>("pointSize");
    QTest::addColumn<QString>("family");
    for (const Sheet& sheet : kSheets) {
      const QString family = QString::fromUtf8(sheet.family);
      const QString arial = QStringLiteral("Arial");
      const std::tuple<const char*, int, QString> rows[] = {
          {"backupsLabel", 11, family},        {"satLabel", 11, family},
          {"label_15", sheet.logHeaderPt, family}, {"label_18", sheet.logHeaderPt, family},
          {"newbuPBtn", 10, family},           {"setENLabel_8", 10, family},
          {"sourceLabel", 14, family},         {"label", 14, family},
          {"destiLabel1", sheet.panelPt, arial}, {"statusLabel4_2", sheet.panelPt, arial},
          {"browseLocalOK", 9, family},        {"browseTLabel", 9, family},
          {"newOneTitle", 13, family},         {"setMiscTLabel", 13, family},
      };
      for (const auto& [object, size, expectedFamily] : rows) {
        QTest::addRow("%s %s", sheet.file, object)
            << QString::fromLatin1(sheet.file) << QString::fromLatin1(object) << size
            << expectedFamily;
      }
    }
  }

  // Through Qt's style engine, as the program applies the sheet to the whole application.
  void sheetFont() {
    QFETCH(QString, file);
    QFETCH(QString, object);
    QFETCH(int, pointSize);
    QFETCH(QString, family);
    qApp->setStyleSheet(QString::fromUtf8(readResource(QStringLiteral(":/") + file)));
    QLabel label;
    label.setObjectName(object);
    label.ensurePolished();
    QCOMPARE(label.font().pointSize(), pointSize);
    QCOMPARE(label.font().family(), family);
    qApp->setStyleSheet(QString());
  }
};

TESSALY_TEST_MAIN(ResourcesTest, QApplication)
#include "resources_test.moc"
