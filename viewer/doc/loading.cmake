# The document opens ".eml" files through Gimlet, linked like the rest of the viewer.
target_link_libraries(pallion_doc PUBLIC gimlet)
