"""The project's own generator of the bundled characters' pictures, sounds and data files.

Everything here is drawn or synthesised in code with the Python standard library; the outputs are
committed under characters/ and rebuilt with tools/generate_characters.py.
"""
