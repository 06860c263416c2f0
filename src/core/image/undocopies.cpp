#include "core/image/undocopies.h"

void UndoCopies::keep(Copy& copy, const ImageControl& output, bool reduced) {
    copy.image.setBitmap(output);
    copy.reduced = reduced;
    copy.held = true;
}

void UndoCopies::bringBack(const Copy& copy, ImageControl& output, bool& reduced) {
    output.setBitmap(copy.image);
    reduced = copy.reduced;
}

void UndoCopies::save(const ImageControl& output, bool reduced) {
    keep(m_copies[0], output, reduced);
}

void UndoCopies::restore(ImageControl& output, bool& reduced) const {
    bringBack(m_copies[0], output, reduced);
}

bool UndoCopies::undo(ImageControl& output, bool& reduced) {
    Copy& undo = m_copies[0];
    if (!undo.held) return false;
    keep(m_copies[1], output, reduced);
    bringBack(undo, output, reduced);
    undo.held = false;
    return true;
}

bool UndoCopies::redo(ImageControl& output, bool& reduced) {
    Copy& redo = m_copies[1];
    if (!redo.held) return false;
    save(output, reduced);
    bringBack(redo, output, reduced);
    redo.held = false;
    return true;
}
