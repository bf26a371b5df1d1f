# The naming tables ask the property-name dictionary for the names of property tags.
target_link_libraries(pallion_doc PUBLIC tagora)
