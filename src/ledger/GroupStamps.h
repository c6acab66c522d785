// Run markers on the objects a list shows: the balances view and the
// analysis select the objects of one level (a group's direct members, or the
// top level) and the groups expanded in place by stamping them in OBJ.DB and
// then reading "RprTs = :ts".
#pragma once

#include <QDateTime>

class TFCore;

// A new list stamp: now, but always later than the last one handed out.
QDateTime NewListStamp();
// Stamps the direct members of group (0: the top level) of the kind and its
// group kind with a new run marker, which is returned (null on error).
QDateTime StampAnalysisMembers(TFCore& core, int group, int kind);
// Adds the direct members of group to the objects carrying stamp (a group
// expanded in place).
bool StampGroupMembers(TFCore& core, int group, int kind, const QDateTime& stamp);
// Stamps every object of the kind and its group kind below group at any depth
// (a loop in the groups ends the walk).
bool StampAllBelow(TFCore& core, int group, int kind, const QDateTime& stamp);
// A group collapsed in place: everything below it loses stamp, the group
// itself keeps it.
bool UnstampBelow(TFCore& core, int group, int kind, const QDateTime& stamp);
