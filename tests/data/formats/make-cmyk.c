/* Authoring helper for make-pictures.sh: writes a CMYK JPEG with libjpeg
 * from raw CMYK samples (0 = no ink), stored inverted as Adobe's encoders
 * do, in the colour transform given: "cmyk" (none) or "ycck".
 *   make-cmyk WIDTH HEIGHT cmyk|ycck < samples.cmyk > out.jpg */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <jpeglib.h>

int main(int argc, char** argv) {
    if (argc != 4) {
        return 2;
    }
    const int width = atoi(argv[1]);
    const int height = atoi(argv[2]);
    struct jpeg_compress_struct cinfo;
    struct jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, stdout);
    cinfo.image_width = (JDIMENSION)width;
    cinfo.image_height = (JDIMENSION)height;
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, strcmp(argv[3], "ycck") == 0 ? JCS_YCCK : JCS_CMYK);
    jpeg_set_quality(&cinfo, 92, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    unsigned char* row = malloc((size_t)width * 4);
    while (cinfo.next_scanline < cinfo.image_height) {
        if (fread(row, 4, (size_t)width, stdin) != (size_t)width) {
            return 1;
        }
        for (int i = 0; i < width * 4; ++i) {
            row[i] = (unsigned char)(255 - row[i]);
        }
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    free(row);
    return 0;
}
