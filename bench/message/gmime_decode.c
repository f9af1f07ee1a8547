/* Peer of velnaro-msg --save written with GMime: parse a message, decode
 * every leaf (text to UTF-8, as it would be shown) and write each named part
 * into a folder.  Usage: gmime_decode MESSAGE FOLDER */
#include <gmime/gmime.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>

static const char* folder;

static void leaf(GMimeObject* parent, GMimeObject* part, gpointer data) {
    (void)parent;
    (void)data;
    if (!GMIME_IS_PART(part)) return;
    const char* name = g_mime_part_get_filename(GMIME_PART(part));
    if (name) {
        const char* base = strrchr(name, '/');
        char* path = g_build_filename(folder, base ? base + 1 : name, NULL);
        GMimeStream* out = g_mime_stream_fs_open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644, NULL);
        if (out) {
            GMimeDataWrapper* content = g_mime_part_get_content(GMIME_PART(part));
            g_mime_data_wrapper_write_to_stream(content, out);
            g_mime_stream_flush(out);
            g_object_unref(out);
        }
        g_free(path);
    } else if (GMIME_IS_TEXT_PART(part)) {
        g_free(g_mime_text_part_get_text(GMIME_TEXT_PART(part)));
    }
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: gmime_decode MESSAGE FOLDER\n");
        return 2;
    }
    folder = argv[2];
    g_mime_init();
    GMimeStream* in = g_mime_stream_fs_open(argv[1], O_RDONLY, 0, NULL);
    if (!in) return 1;
    GMimeParser* parser = g_mime_parser_new_with_stream(in);
    GMimeMessage* msg = g_mime_parser_construct_message(parser, NULL);
    if (!msg) return 1;
    g_mime_message_foreach(msg, leaf, NULL);
    g_object_unref(msg);
    g_object_unref(parser);
    g_object_unref(in);
    g_mime_shutdown();
    return 0;
}
