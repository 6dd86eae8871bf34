// Writes a member's note file with notes of every kind, for the real runs of the program that look
// at shapes, see-through notes, pictures and turned-over notes.
//
//   note_set <shared folder> <member> { <shape> <flags> <picture> <mode> <text> <top> <left> <width> <height> }...
//       ID<member>.FDT with one note per group of nine: shape number, flag word (decimal), picture
//       file name ("-" for none), picture mode, text (UTF-8, "\n" a line break), place and size in
//       twips. Exit code 0 when the file was written.
#include "app/groval.h"
#include "model/records.h"
#include "platform/sharedfile.h"

#include "tools/tool_support.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace tw;
using namespace tw::tools;

namespace {

}  // namespace

int main(int argc, char** argv) {
    if (argc < 12 || (argc - 3) % 9 != 0) {
        std::fprintf(stderr, "usage: note_set <shared folder> <member> { <shape> <flags> <picture> <mode> <text> "
                             "<top> <left> <width> <height> }...\n");
        return 2;
    }
    ByteWriter w;
    for (int a = 3, id = 0; a < argc; a += 9, ++id) {
        NoteRecord r;
        r.NoteId = static_cast<int16_t>(id);
        r.ShapeIndex = number(argv[a]);
        r.Flags = static_cast<uint16_t>(std::atoi(argv[a + 1]));
        if (std::string(argv[a + 2]) != "-") r.Background.PictureFile = argv[a + 2];
        r.Background.PictureMode = number(argv[a + 3]);
        r.Text = unescape(argv[a + 4]);
        r.Top = number(argv[a + 5]);
        r.Left = number(argv[a + 6]);
        r.Width = number(argv[a + 7]);
        r.Height = number(argv[a + 8]);
        encode(w, r);
    }
    const std::string path = joinPath(argv[1], memberFileName(number(argv[2]), kKindNotes));
    SharedFile f;
    if (FileError e = f.open(path, ShareMode::ReadWriteExclusive)) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), e.description.c_str());
        return 1;
    }
    if (FileError e = f.replaceContent(w.data())) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), e.description.c_str());
        return 1;
    }
    f.close();
    return 0;
}
