// The least time libjpeg-turbo needs for a JPEG: every block entropy-decoded and thrown
// away (jpeg_skip_scanlines over all rows but the last), then one row decoded. One process
// for all the files named, as a batch tool would run.
#include <cstdio>
#include <jpeglib.h>
#include <vector>

int main(int argc, char **argv) {
    for (int i = 1; i < argc; ++i) {
        FILE *f = std::fopen(argv[i], "rb");
        if (!f) {
            std::perror(argv[i]);
            return 1;
        }
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr err;
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_decompress(&cinfo);
        jpeg_stdio_src(&cinfo, f);
        jpeg_read_header(&cinfo, TRUE);
        jpeg_start_decompress(&cinfo);
        jpeg_skip_scanlines(&cinfo, cinfo.output_height - 1);
        std::vector<JSAMPLE> row(cinfo.output_width * unsigned(cinfo.output_components));
        JSAMPROW rows[1] = {row.data()};
        jpeg_read_scanlines(&cinfo, rows, 1);
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        std::fclose(f);
    }
    return 0;
}
