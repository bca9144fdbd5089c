#pragma once
// Private to the dialog library: which installed family stands in for the templates' Song
// face, chosen from plain data so that a test can offer made-up families.
#ifndef TARVEX_DIALOG_PRIVATE
#error "private header of the dialog library"
#endif

#include <QFontDatabase>
#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

struct OfferedFamily {
    QString name;
    QList<QFontDatabase::WritingSystem> writingSystems;
    bool fixedPitch = false;
};

// SimSun (by either of its names) when offered. Otherwise a proportional family with Simplified Chinese glyphs,
// ranked: one that also writes Latin before one that does not (the dialog's English labels
// and its base units need Latin letters), then a family named in `preferred`, then one whose
// name says Sans or Hei, then the first offered. Empty when no family qualifies.
// `preferred` holds every name of one family: fontconfig names a family in each language
// the font carries, while the toolkit lists it under one of them.
QString ChooseChineseFamily(const std::vector<OfferedFamily>& offered, const QStringList& preferred);

// ChooseChineseFamily over the installed families, preferring fontconfig's sans-serif for
// Simplified Chinese.
QString ChineseDialogFamily();
