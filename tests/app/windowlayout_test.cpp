// Cascade geometry: working sizes, the offsets, starting over when crowded.
#include "app/windowlayout.h"

#include <gtest/gtest.h>

using namespace quodlin;

TEST(CascadeGeometry, WindowsShareTheClientAreaLessTheOffsets)
{
    const QList<QRect> rects = CascadeGeometry(QSize(1000, 700), 3, QPoint(25, 25));
    ASSERT_EQ(rects.size(), 3);
    EXPECT_EQ(rects[0], QRect(0, 0, 950, 650));
    EXPECT_EQ(rects[1], QRect(25, 25, 950, 650));
    EXPECT_EQ(rects[2], QRect(50, 50, 950, 650));
}

TEST(CascadeGeometry, CrowdedCascadeStartsOverAndKeepsHalfTheArea)
{
    // 400 / 2 / 50 = 4 offsets fit; the sixth window starts over.
    const QList<QRect> rects = CascadeGeometry(QSize(800, 400), 7, QPoint(50, 50));
    ASSERT_EQ(rects.size(), 7);
    for (const QRect &r : rects)
        EXPECT_EQ(r.size(), QSize(600, 200));
    EXPECT_EQ(rects[4].topLeft(), QPoint(200, 200));
    EXPECT_EQ(rects[5].topLeft(), QPoint(0, 0));
    EXPECT_EQ(rects[6].topLeft(), QPoint(50, 50));
}

TEST(CascadeGeometry, DegenerateInputs)
{
    EXPECT_TRUE(CascadeGeometry(QSize(800, 600), 0, QPoint(20, 20)).isEmpty());
    EXPECT_TRUE(CascadeGeometry(QSize(0, 0), 2, QPoint(20, 20)).isEmpty());
    // A single window fills the area; a tiny area gets no offsets.
    EXPECT_EQ(CascadeGeometry(QSize(800, 600), 1, QPoint(20, 20)), QList<QRect>{QRect(0, 0, 800, 600)});
    EXPECT_EQ(CascadeGeometry(QSize(30, 30), 2, QPoint(20, 20)),
              (QList<QRect>{QRect(0, 0, 30, 30), QRect(0, 0, 30, 30)}));
}

TEST(NewWindowGeometry, CascadesInsideTheClientAreaAtAWorkingSize)
{
    const QSize client(900, 600);
    // Small remembered sizes grow to two thirds of the area; larger ones stay.
    EXPECT_EQ(NewWindowGeometry(client, QSize(550, 350), 1, QPoint(30, 30)), QRect(30, 30, 600, 400));
    EXPECT_EQ(NewWindowGeometry(client, QSize(700, 450), 0, QPoint(30, 30)), QRect(0, 0, 700, 450));
    // 200 / 30 = 6 offsets fit below; the eighth window starts over.
    EXPECT_EQ(NewWindowGeometry(client, QSize(550, 350), 6, QPoint(30, 30)).bottomRight(), QPoint(779, 579));
    EXPECT_EQ(NewWindowGeometry(client, QSize(550, 350), 7, QPoint(30, 30)).topLeft(), QPoint(0, 0));
    // Never larger than the area.
    EXPECT_EQ(NewWindowGeometry(QSize(400, 300), QSize(550, 350), 3, QPoint(30, 30)), QRect(0, 0, 400, 300));
}
