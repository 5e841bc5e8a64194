#pragma once
// Marks an element and everything it shows (a panel's children, a tab strip's tabs and their
// pages, a row's columns) for painting, so that the next paint draws it as a page is drawn the
// first time. A repaint of the whole screen starts from the top of each tree.
class uxBaseElement;

void MarkTreeForRepaint(uxBaseElement* element);
