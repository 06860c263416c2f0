#pragma once
// The output picture's one undo step and one redo step. Each copy keeps the reduced flag its
// picture had, so a later save knows whether the picture it brings back still needs reducing.
#include "core/image/imagecontrol.h"

#include <array>

class UndoCopies {
public:
    // Keeps the output as the undo copy just before a command changes it.
    void save(const ImageControl& output, bool reduced);
    // Puts the undo copy back, for a command that failed after saving; the copy stays.
    void restore(ImageControl& output, bool& reduced) const;
    // Exchange the output with the undo (redo) copy; false when there is none. Redo keeps
    // the output it replaces as the undo copy, so a change made after an undo is not lost.
    bool undo(ImageControl& output, bool& reduced);
    bool redo(ImageControl& output, bool& reduced);
    bool canUndo() const { return m_copies[0].held; }
    bool canRedo() const { return m_copies[1].held; }
    // LEAD4(0) is the undo copy, LEAD4(1) the redo copy.
    const ImageControl& LEAD4(int index) const { return m_copies[index].image; }

private:
    struct Copy {
        ImageControl image;
        bool reduced = false;
        bool held = false;
    };
    static void keep(Copy& copy, const ImageControl& output, bool reduced);
    static void bringBack(const Copy& copy, ImageControl& output, bool& reduced);
    std::array<Copy, 2> m_copies;
};
