#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdio>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (!gtk_init_check()) {
        std::fprintf(stderr, "no display: run under xvfb-run\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
