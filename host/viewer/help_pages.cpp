// The help texts, in French: what each tool does and how it is used in this viewer.
#include "host/viewer/help_pages.h"

namespace molvane::viewer {
namespace {

#define UNDO_LINE "Édition > Annuler (Ctrl+Z) retire l'outil appliqué en une fois ; Rétablir (Ctrl+Y) le remet."

const HelpPage kPages[kHelpPageCount] = {
    {"La visionneuse", nullptr,
     "Ouvrir : Fichier > Ouvrir (Ctrl+O), ou déposez des fichiers sur la fenêtre (BMP, PNG, JPEG, TIFF, GIF). "
     "Chaque image a sa fenêtre ; une photographie prise de côté est redressée d'après ses informations Exif.\r\n\r\n"
     "Zoom : menu Affichage, Ctrl + molette, Ctrl+0 pour ajuster à la fenêtre, Ctrl+1 pour 100 %. "
     "La barre d'état donne la taille, le zoom et le pixel sous la souris.\r\n\r\n"
     "Image : rotations de 90° à gauche ou à droite, de 180°, miroirs horizontal et vertical.\r\n\r\n"
     "Annuler : Édition > Annuler (Ctrl+Z) et Rétablir (Ctrl+Y), pas à pas, pour les outils comme pour les "
     "rotations. Les plus anciennes étapes sont oubliées quand la mémoire réservée est pleine.\r\n\r\n"
     "Copier (Ctrl+C) met l'image dans le presse-papiers ; Coller comme nouvelle image (Ctrl+V) ouvre celle "
     "d'un autre programme.\r\n\r\n"
     "Enregistrer : Fichier > Enregistrer (Ctrl+S) ou Enregistrer sous, en BMP, PNG, JPEG ou TIFF selon "
     "l'extension. Un « * » dans le titre signale des modifications non enregistrées."},
    {"Comparaison", "Cliquez sur la seconde image (une autre fenêtre) ; elle doit avoir la même taille.",
     "Crée l'image d'écart entre deux images de même taille : chaque couleur vaut la différence des deux, "
     "multipliée par un coefficient de 1 à 10.\r\n\r\n"
     "Ouvrez les deux images. Dans la fenêtre de la première, choisissez Divers > Comparaison, puis cliquez sur "
     "la fenêtre de la seconde. Réglez le coefficient et cliquez « Créer une image d'écart » : le résultat "
     "s'ouvre dans une nouvelle fenêtre. « Annuler » termine sans rien créer.\r\n\r\n"
     "Les deux images ne changent pas ; la nouvelle se ferme ou s'enregistre comme une autre."},
    {"Réduction de bruit", nullptr,
     "Réduit le bruit de l'image d'un coup, sans fenêtre : chaque pixel prend la luminosité médiane de ses huit "
     "voisins et de lui-même, en gardant sa couleur.\r\n\r\n"
     "Choisissez Divers > Réduction de bruit dans la fenêtre de l'image.\r\n\r\n" UNDO_LINE},
    {"Filtres matriciels", "Choisissez un filtre dans la fenêtre de l'outil, puis « Visualiser » ou « Appliquer ».",
     "Applique un filtre de convolution 3 x 3, 5 x 5 ou 7 x 7 : un des filtres fournis ou le vôtre, saisi dans la "
     "grille avec son diviseur et son décalage, enregistré ou relu dans un fichier .flt.\r\n\r\n"
     "« Visualiser » montre le résultat dans l'image elle-même, sans fermer l'outil ; « Appliquer » le garde, "
     "« Annuler » remet l'image comme avant.\r\n\r\n" UNDO_LINE},
    {"Modification du fond", "Choisissez F1 dans la fenêtre de l'outil, puis cliquez sur l'image.",
     "Remplace le fond d'une photographie par un dégradé de deux couleurs, F1 et F2.\r\n\r\n"
     "La fenêtre de l'outil a trois petites cases : F1, F2 et, entre elles, le point de départ. Cochez F1 "
     "(elle clignote), puis cliquez sur l'image à l'endroit du fond où le dégradé commence ; faites de même pour "
     "F2, puis pour le point de départ, dans le fond à remplacer. Le nouveau fond apparaît dès le troisième "
     "point ; un autre clic le déplace.\r\n\r\n"
     "Avec « Fond F1 » ou « Fond F2 » coché, un clic prend la couleur de l'image à cet endroit. Les curseurs "
     "règlent la tolérance, la transparence et le bruit. « Appliquer » garde le résultat, « Annuler » le retire.\r\n\r\n"
     UNDO_LINE},
    {"Vignetage", "Cochez un coin dans la fenêtre de l'outil, puis cliquez sur l'image où l'assombrissement s'arrête.",
     "Reconstruit les coins assombris d'une photographie à partir des couleurs voisines.\r\n\r\n"
     "La fenêtre de l'outil montre une image avec une case à chaque coin. Cochez un coin (il clignote), puis "
     "cliquez sur l'image à l'endroit où l'assombrissement de ce coin s'arrête. Quand les quatre coins ont leur "
     "point, la correction apparaît ; « Appliquer » la calcule aussi avec les coins déjà placés.\r\n\r\n"
     "« Réinitialiser » remet l'image d'origine ; « Annuler » retire la correction.\r\n\r\n" UNDO_LINE},
    {"Seuillage", "Réglez le seuil dans la fenêtre de l'outil, puis « Appliquer ».",
     "Garde la couleur des pixels plus clairs (ou plus sombres) qu'un seuil et met les autres en noir.\r\n\r\n"
     "Déplacez le curseur du seuil et choisissez le côté gardé ; l'aperçu suit. « Appliquer » change "
     "l'image, « Annuler » la laisse.\r\n\r\n" UNDO_LINE},
    {"Fusionner", "Cliquez sur la seconde image (une autre fenêtre) ; elle doit avoir la même taille.",
     "Fusionne deux images de même taille en une troisième : la couleur la plus lumineuse des deux, ou un "
     "mélange selon un taux de transparence, une image pouvant rester opaque hors d'une bande de "
     "luminosité.\r\n\r\n"
     "Dans la fenêtre de la première image, choisissez Divers > Fusionner, puis cliquez sur la fenêtre de la "
     "seconde. Réglez le mode et les curseurs sur l'aperçu, puis « Appliquer » : le résultat s'ouvre dans une "
     "nouvelle fenêtre. « Annuler » termine sans rien créer."},
    {"Compenser dégradé", "Réglez les décalages et les gains aux deux bouts, puis « Appliquer ».",
     "Corrige une image dont la luminosité ou le contraste varie d'un bord à l'autre : chaque ligne (ou "
     "colonne) reçoit un décalage et un gain qui vont linéairement d'un bout à l'autre.\r\n\r\n"
     "Choisissez le sens (vertical ou horizontal), puis réglez les quatre curseurs sur l'aperçu. "
     "« Appliquer » corrige l'image, « Annuler » la laisse.\r\n\r\n" UNDO_LINE},
};

#undef UNDO_LINE

}  // namespace

const HelpPage& HelpPageAt(size_t index) { return kPages[index < kHelpPageCount ? index : 0]; }

size_t HelpPageOfTool(int32_t tool) { return tool >= 1 && size_t(tool) < kHelpPageCount ? size_t(tool) : 0; }

}  // namespace molvane::viewer
