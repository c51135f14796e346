clipvoice_add_test(artwork_test SOURCES ArtworkTest.cpp LIBS clipvoice_artwork LABELS unit)
