#include <gtk/gtk.h>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (!gtk_init_check()) {
        g_printerr("no display: run under xvfb-run\n");
        return 1;
    }
    // A reference dropped twice or a wrong handle only shows as a critical
    // warning; here it fails the run.
    g_log_set_always_fatal(static_cast<GLogLevelFlags>(G_LOG_FATAL_MASK | G_LOG_LEVEL_CRITICAL));
    return RUN_ALL_TESTS();
}
