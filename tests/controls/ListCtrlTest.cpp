#include <gtest/gtest.h>

#include <QHeaderView>
#include <QScrollBar>
#include <QTest>

#include "controls/CTrkFileListCtrl.h"
#include "controls/CTrkGroupListCtrl.h"
#include "settings/Languages.h"
#include "TestSupport.h"

namespace {

// 2023-05-06 23:59:30 UTC (the tests run with TZ=UTC0).
constexpr int64_t kLateEvening = 1683417570;

struct ListsFixture : ::testing::Test {
  PatternParent window;
  CTrkGroupListCtrl* groups = nullptr;
  CTrkFileListCtrl* files = nullptr;

  void SetUp() override {
    window.resize(900, 400);
    groups = new CTrkGroupListCtrl(&window, 1028);  // owned by the window
    groups->setGeometry(5, 5, 400, 160);
    files = new CTrkFileListCtrl(&window, 1027);
    files->setGeometry(420, 5, 400, 300);
    InitListImageList(*groups);
    groups->InitColumns();
    InitListImageList(*files);
    files->InitColumns();
    window.Record(groups, &CTrkGroupListCtrl::GroupActivated, "group");
    window.Record(files, &CTrkFileListCtrl::FileActivated, "file");
    window.show();
  }
};

}  // namespace

TEST_F(ListsFixture, ColumnsTakeTheirWidthsFromTheControlAndTheirHeadersFromTheTexts) {
  ASSERT_EQ(groups->columnCount(), 5);
  ASSERT_EQ(files->columnCount(), 6);
  for (int column = 0; column < 5; ++column) EXPECT_EQ(groups->columnWidth(column), 80) << column;
  for (int column = 0; column < 6; ++column) EXPECT_EQ(files->columnWidth(column), 120) << column;
  const uint32_t groupIds[] = {116, 117, 118, 119, 120};
  for (int column = 0; column < 5; ++column) {
    EXPECT_EQ(groups->ColumnText(column), QString::fromStdString(LoadText(groupIds[column])));
  }
  EXPECT_EQ(groups->ColumnText(0), QString::fromUtf8("グループ"));
  EXPECT_EQ(files->ColumnText(3), QString::fromStdString(LoadText(123)));
  EXPECT_EQ(files->ColumnText(5), QString::fromStdString(LoadText(124)));
  // Six columns of 3/10 are wider than the control: the list scrolls sideways.
  EXPECT_EQ(files->horizontalHeader()->length(), 720);
}

TEST_F(ListsFixture, RowsShowTheirCellFormats) {
  EXPECT_EQ(groups->AddGroupRow(0, "1920x1080", 3600000, 1048575, 1, kLateEvening), 1);
  EXPECT_EQ(groups->AddGroupRow(1, "1280x720", 999, 1048576, 3, kLateEvening + 31), 1);
  EXPECT_EQ(groups->GetItemText(0, 0), QStringLiteral("G0"));
  EXPECT_EQ(groups->GetItemText(0, 1), QStringLiteral("1920x1080"));
  EXPECT_EQ(groups->GetItemText(0, 2), QStringLiteral("2023-05-06 23:59:30"));
  EXPECT_EQ(groups->GetItemText(0, 3), QStringLiteral(" 3600 s "));
  EXPECT_EQ(groups->GetItemText(0, 4), QStringLiteral(" 0 MB"));
  EXPECT_EQ(groups->GetItemText(1, 0), QStringLiteral("G1"));
  EXPECT_EQ(groups->GetItemText(1, 2), QStringLiteral("2023-05-07 00:00:01"));
  EXPECT_EQ(groups->GetItemText(1, 3), QStringLiteral(" 0 s "));
  EXPECT_EQ(groups->GetItemText(1, 4), QStringLiteral(" 1 MB"));
  EXPECT_EQ(groups->GetItemImage(1), 3);

  EXPECT_EQ(files->AddFileRow(0, 0, "/media/card/DCIM/", "FILE0001.AVI", 45000, 5u << 20, 0, kLateEvening), 1);
  EXPECT_EQ(files->AddFileRow(0, 1, "/media/card/DCIM/", "EVGS0002.MOV", 45999, (1ull << 40) + 7, 2, kLateEvening + 45),
            1);
  EXPECT_EQ(files->GetItemText(0, 0), QStringLiteral("G0-0"));
  EXPECT_EQ(files->GetItemText(0, 1), QStringLiteral("FILE0001.AVI"));
  EXPECT_EQ(files->GetItemText(0, 2), QStringLiteral("23:59:30"));
  EXPECT_EQ(files->GetItemText(0, 3), QStringLiteral("00:00:15"));  // wraps past midnight
  EXPECT_EQ(files->GetItemText(0, 4), QStringLiteral(" 5 MB"));
  EXPECT_EQ(files->GetItemText(0, 5), QStringLiteral("/media/card/DCIM/"));
  EXPECT_EQ(files->GetItemText(1, 0), QStringLiteral("G0-1"));
  EXPECT_EQ(files->GetItemText(1, 3), QStringLiteral("00:01:00"));  // 45.999 s count as 45
  EXPECT_EQ(files->GetItemText(1, 4), QStringLiteral(" 1048576 MB"));

  // A start time the calendar cannot hold leaves empty time cells, and the
  // listing goes on.
  EXPECT_EQ(files->AddFileRow(3, 2, "", "X.AVI", 1000, 0, 0, INT64_MAX), 1);
  EXPECT_EQ(files->GetItemText(2, 2), QString());
  EXPECT_EQ(files->GetItemText(2, 3), QString());
  EXPECT_EQ(files->GetItemText(2, 0), QStringLiteral("G3-2"));
  EXPECT_EQ(files->GetItemCount(), 3);

  // File names are bytes: an invalid UTF-8 name still shows.
  EXPECT_EQ(files->AddFileRow(0, 2, "", std::string("A\xff.AVI"), 0, 0, 0, 0), 1);
  EXPECT_FALSE(files->GetItemText(3, 1).isEmpty());

  files->SetRowHighlighted(1, true);
  SaveArtifact(Pixels(files), QStringLiteral("list-files.png"));
  SaveArtifact(Pixels(groups), QStringLiteral("list-groups.png"));
  files->DeleteAllRows();
  EXPECT_EQ(files->GetItemCount(), 0);
}

TEST_F(ListsFixture, DoubleClickSendsTheRowOrMinusOneBelowTheLastRow) {
  groups->AddGroupRow(0, "1920x1080", 60000, 1 << 20, 0, kLateEvening);
  groups->AddGroupRow(1, "1920x1080", 60000, 1 << 20, 2, kLateEvening + 60);
  files->AddFileRow(0, 0, "/a/", "A.AVI", 1000, 0, 0, kLateEvening);

  const QRect second = groups->visualRect(groups->model()->index(1, 2));
  // Only the left button plays: right double-clicks on rows send nothing.
  SendMouse(groups->viewport(), QEvent::MouseButtonDblClick, second.center(), Qt::RightButton, Qt::RightButton);
  SendMouse(files->viewport(), QEvent::MouseButtonDblClick, files->visualRect(files->model()->index(0, 4)).center(),
            Qt::RightButton, Qt::RightButton);
  EXPECT_TRUE(window.emitted.empty());
  DoubleClick(groups->viewport(), second.center());
  const QRect below(second.left(), second.bottom() + 20, 1, 1);
  DoubleClick(groups->viewport(), below.topLeft());
  DoubleClick(files->viewport(), QPoint(10, files->viewport()->height() - 5));
  DoubleClick(files->viewport(), files->visualRect(files->model()->index(0, 4)).center());

  ASSERT_EQ(window.emitted.size(), 4u);
  const std::vector<std::pair<std::string, int>> expected = {{"group", 1}, {"group", -1}, {"file", -1}, {"file", 0}};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(window.emitted[i].name, expected[i].first) << i;
    EXPECT_EQ(window.emitted[i].row, expected[i].second) << i;
  }
}

TEST_F(ListsFixture, ChecksMarksAndIcons) {
  for (int group = 0; group < 3; ++group) groups->AddGroupRow(group, "640x480", 1000, 0, group, kLateEvening);
  files->AddFileRow(0, 0, "", "A.AVI", 1000, 0, 0, kLateEvening);

  // Clicking the check box of the second group ticks it.
  const QRect cell = groups->visualRect(groups->model()->index(1, 0));
  EXPECT_FALSE(groups->IsRowChecked(1));
  QStyleOptionViewItem option;
  option.initFrom(groups);
  option.rect = cell;
  option.features |= QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDecoration;
  const QRect check = groups->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, groups);
  Press(groups->viewport(), check.center());
  Release(groups->viewport(), check.center());
  EXPECT_TRUE(groups->IsRowChecked(1));
  EXPECT_FALSE(groups->IsRowChecked(0));
  EXPECT_FALSE(groups->IsRowChecked(7));
  // The file list has no check boxes.
  EXPECT_FALSE(files->item(0, 0)->flags() & Qt::ItemIsUserCheckable);

  // The current-row mark is independent of the selection and is painted.
  groups->clearSelection();
  const QImage before = Pixels(groups->viewport());
  groups->SetRowHighlighted(2, true);
  EXPECT_TRUE(groups->IsDropHighlighted(2));
  EXPECT_TRUE(groups->selectionModel()->selectedRows().isEmpty());
  const QImage marked = Pixels(groups->viewport());
  const QPoint inMarkedRow = groups->visualRect(groups->model()->index(2, 3)).center() + QPoint(30, 0);
  EXPECT_EQ(marked.pixel(inMarkedRow) & 0xFFFFFFu, groups->palette().color(QPalette::Highlight).rgb() & 0xFFFFFFu);
  EXPECT_NE(before.pixel(inMarkedRow), marked.pixel(inMarkedRow));
  groups->selectRow(0);
  groups->SetRowHighlighted(2, false);
  EXPECT_FALSE(groups->IsDropHighlighted(2));
  EXPECT_EQ(groups->selectionModel()->selectedRows().size(), 1);
  groups->SetRowHighlighted(1, true);
  groups->EnsureRowVisible(1);
  groups->clearSelection();
  SaveArtifact(Pixels(groups), QStringLiteral("list-groups-marked.png"));

  // The image list: four 24 x 24 icons, magenta keyed out, icon 0 empty.
  ASSERT_NE(groups->imageList, nullptr);
  ASSERT_EQ(groups->imageList->images.size(), 4u);
  const QImage empty = groups->imageList->images[0].toImage();
  const QImage plain = groups->imageList->images[3].toImage();
  EXPECT_EQ(empty.size(), QSize(24, 24));
  int opaque = 0;
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 24; ++x) {
      EXPECT_EQ(qAlpha(empty.pixel(x, y)), 0);
      const QRgb pixel = plain.pixel(x, y);
      EXPECT_TRUE(qAlpha(pixel) == 0 || qAlpha(pixel) == 255);
      EXPECT_FALSE(qAlpha(pixel) == 255 && (pixel & 0xFFFFFFu) == 0xFF00FFu);
      opaque += qAlpha(pixel) == 255 ? 1 : 0;
    }
  }
  EXPECT_GT(opaque, 120);
  EXPECT_EQ(qAlpha(plain.pixel(0, 0)), 0);
}

TEST_F(ListsFixture, RelabelChangesOnlyTheHeaders) {
  groups->AddGroupRow(0, "1920x1080", 60000, 1 << 20, 0, kLateEvening);
  files->AddFileRow(0, 0, "/a/", "A.AVI", 1000, 0, 0, kLateEvening);
  groups->SetColumnText(3, QStringLiteral("stale"));
  files->SetColumnText(1, QStringLiteral("stale"));
  groups->setColumnWidth(0, 33);
  groups->RelabelColumns();
  files->RelabelColumns();
  EXPECT_EQ(groups->ColumnText(3), QString::fromStdString(LoadText(119)));
  EXPECT_EQ(files->ColumnText(1), QString::fromStdString(LoadText(122)));
  EXPECT_EQ(groups->columnWidth(0), 33);
  EXPECT_EQ(groups->GetItemText(0, 3), QStringLiteral(" 60 s "));
  EXPECT_EQ(files->GetItemText(0, 1), QStringLiteral("A.AVI"));
}

TEST_F(ListsFixture, WholeNamesAndOneHighlightedRow) {
  // The whole name is shown, and the row's tooltip names it and its folder.
  const QString name = QStringLiteral("FILE240412-083000-000123.AVI");
  files->AddFileRow(0, 0, "/media/card/DCIM/", name.toStdString(), 1000, 0, 0, kLateEvening);
  EXPECT_GT(files->columnWidth(1), files->fontMetrics().horizontalAdvance(name) + 8);
  EXPECT_EQ(files->RowToolTip(0), name + QStringLiteral("\n/media/card/DCIM/"));

  // PgDn and a right-click move the one highlight away from the marked row.
  for (int group = 0; group < 6; ++group) groups->AddGroupRow(group, "640x480", 1000, 0, 0, kLateEvening);
  groups->SetRowHighlighted(0, true);
  window.activateWindow();
  groups->setFocus();
  ASSERT_TRUE(WaitFor([&] { return groups->hasFocus(); }));
  const QRgb highlight = groups->palette().color(QPalette::Highlight).rgb() & 0xFFFFFFu;
  auto highlighted = [&] {
    const QImage shot = Pixels(groups->viewport());
    std::vector<int> rows;
    for (int row = 0; row < groups->rowCount(); ++row) {
      const QRect cell = groups->visualRect(groups->model()->index(row, 3));
      if (cell.isValid() && shot.rect().contains(cell.center() + QPoint(30, 0)) &&
          (shot.pixel(cell.center() + QPoint(30, 0)) & 0xFFFFFFu) == highlight)
        rows.push_back(row);
    }
    return rows;
  };
  EXPECT_EQ(highlighted(), std::vector<int>{0});
  QTest::keyClick(groups, Qt::Key_PageDown);
  EXPECT_EQ(highlighted().size(), 1u);
  EXPECT_NE(highlighted(), std::vector<int>{0});
  const QPoint second = groups->visualRect(groups->model()->index(1, 3)).center();
  SendMouse(groups->viewport(), QEvent::MouseButtonPress, second, Qt::RightButton, Qt::RightButton);
  SendMouse(groups->viewport(), QEvent::MouseButtonRelease, second, Qt::RightButton, Qt::NoButton);
  EXPECT_EQ(highlighted(), std::vector<int>{1});
}
