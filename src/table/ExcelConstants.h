// The spreadsheet application's enumerations (XlHAlign, XlVAlign, XlLineStyle, XlBorderWeight,
// XlBordersIndex) and how the table tells their values apart. Every source that meets them (the
// running application, the workbook files, the tests' imitations) takes them from here.
#pragma once

#include <cstdint>

#include "table/CellTable.h"

namespace tabrova::excel {

// XlHAlign
inline constexpr std::int32_t xlHAlignGeneral = 1;
inline constexpr std::int32_t xlHAlignLeft = -4131;
inline constexpr std::int32_t xlHAlignCenter = -4108;
inline constexpr std::int32_t xlHAlignRight = -4152;
inline constexpr std::int32_t xlHAlignFill = 5;
inline constexpr std::int32_t xlHAlignJustify = -4130;
inline constexpr std::int32_t xlHAlignCenterAcrossSelection = 7;
inline constexpr std::int32_t xlHAlignDistributed = -4117;

// XlVAlign
inline constexpr std::int32_t xlVAlignTop = -4160;
inline constexpr std::int32_t xlVAlignCenter = -4108;
inline constexpr std::int32_t xlVAlignBottom = -4107;
inline constexpr std::int32_t xlVAlignJustify = -4130;
inline constexpr std::int32_t xlVAlignDistributed = -4117;

// XlLineStyle
inline constexpr std::int32_t xlLineStyleNone = -4142;
inline constexpr std::int32_t xlContinuous = 1;
inline constexpr std::int32_t xlDash = -4115;
inline constexpr std::int32_t xlDot = -4118;
inline constexpr std::int32_t xlDouble = -4119;
inline constexpr std::int32_t xlDashDot = 4;
inline constexpr std::int32_t xlDashDotDot = 5;
inline constexpr std::int32_t xlSlantDashDot = 13;

// XlBorderWeight
inline constexpr std::int32_t xlHairline = 1;
inline constexpr std::int32_t xlThin = 2;
inline constexpr std::int32_t xlMedium = -4138;
inline constexpr std::int32_t xlThick = 4;

// XlBordersIndex
inline constexpr std::int32_t xlDiagonalDown = 5;
inline constexpr std::int32_t xlDiagonalUp = 6;
inline constexpr std::int32_t xlEdgeLeft = 7;
inline constexpr std::int32_t xlEdgeTop = 8;
inline constexpr std::int32_t xlEdgeBottom = 9;
inline constexpr std::int32_t xlEdgeRight = 10;

// XlRangeValueDataType: what Range.Value(type) gives.
inline constexpr std::int32_t xlRangeValueDefault = 10;
inline constexpr std::int32_t xlRangeValueXMLSpreadsheet = 11;

// The table's alignment of an XlHAlign: left, centre and right; every other kind is none.
constexpr std::uint8_t alignmentOf(std::int32_t horizontalAlignment) {
    switch (horizontalAlignment) {
        case xlHAlignLeft:
            return alignLeft;
        case xlHAlignCenter:
            return alignCenter;
        case xlHAlignRight:
            return alignRight;
        default:
            return alignNone;
    }
}

// The table's vertical place of an XlVAlign: top and bottom; centre and the rest are the middle.
constexpr std::uint8_t verticalPlaceOf(std::int32_t verticalAlignment) {
    switch (verticalAlignment) {
        case xlVAlignTop:
            return placeTop;
        case xlVAlignBottom:
            return placeBottom;
        default:
            return placeMiddle;
    }
}

// A border's LineStyle and Weight as the drawing tells them apart; a double line is drawn as two
// thin ones whatever its weight.
constexpr EdgeStyle edgeStyleOf(std::int32_t lineStyle, std::int32_t weight) {
    EdgeStyle style;
    switch (lineStyle) {
        case xlDash:
            style.line = borderDash;
            break;
        case xlDot:
            style.line = borderDot;
            break;
        case xlDashDot:
        case xlSlantDashDot:
            style.line = borderDashDot;
            break;
        case xlDashDotDot:
            style.line = borderDashDotDot;
            break;
        case xlDouble:
            style.line = borderDouble;
            return style;
        default:
            break;
    }
    switch (weight) {
        case xlHairline:
            style.weight = weightHair;
            break;
        case xlMedium:
            style.weight = weightMedium;
            break;
        case xlThick:
            style.weight = weightThick;
            break;
        default:
            break;
    }
    return style;
}

}  // namespace tabrova::excel
