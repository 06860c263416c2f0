#pragma once
// The frame list of a motion (a phone's frame animation) and the texts made from it, apart from
// the window that shows them.
#include <QStringList>

namespace Motion {

// Frame files, full paths in play order, and the selected position (-1: none). Any number of
// frames; nothing here has a fixed capacity.
struct FrameList {
    QStringList frames;
    int selected = -1;
};

// Inserts the paths one after another behind the selection (at the top when nothing is
// selected) and leaves the last inserted one selected.
void add(FrameList& list, const QStringList& paths);
// Removes the selected frame and selects the one that moved into its place, or the new last
// one. False, and nothing changes, without a selection.
bool remove(FrameList& list);
// Swap the selected frame with its neighbour and follow it. False at either end, with fewer
// than two frames, or without a selection.
bool moveUp(FrameList& list);
bool moveDown(FrameList& list);
// The position the loop shows after the selected one: the next, the first after the last;
// -1 for an empty list.
int nextFrame(const FrameList& list);

// False for a path the frames cannot be handed on with: the mail composer joins its
// attachments with ",", the mail library separates them with TAB and "|", and a control
// character would break the one-line tag.
bool acceptableName(const QString& path);

// "<IMG MOTION="a.png" MOTION="b.png">": the base names in order, '"', '<' and '&' written as
// entities so an odd name cannot end the attribute or the tag. "" for no frames.
QString tag(const QStringList& frames);
// Bytes of all frames; a missing or unreadable file counts 0.
qint64 totalSize(const QStringList& frames);

} // namespace Motion
