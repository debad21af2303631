// Pages that do not lie where their numbers put them. Bytes inserted into a
// copy, or a file carved from a disk with bytes between its pieces, move
// every page after them off the multiples of the page size: those pages are
// found again by where they really start.
#pragma once

class MdbFile;
class ProgressChannel;

// Looks, wherever the inventory holds no Jet page, for pages moved by bytes
// inserted before them, and gives the session a page map that reads each
// run of pages from where it starts, its pages keeping their numbers. True
// when pages were moved: the status says where, and the inventory is to be
// scanned again. Sound files cost a look at the inventory only.
bool LocateMovedPages(MdbFile& db, ProgressChannel& progress);
