object CreditsForm: TCreditsForm
  Left = 300
  Top = 200
  BorderIcons = [biSystemMenu]
  BorderStyle = bsDialog
  Caption = '%s Developers'
  ClientHeight = 250
  ClientWidth = 260
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  Position = poScreenCenter
  OnClose = FormClose
  OnCreate = FormCreate
  PixelsPerInch = 96
  object Panel: TPanel
    Left = 8
    Top = 8
    Width = 244
    Height = 196
    BevelOuter = bvLowered
    TabOrder = 0
    object ProgramIcon: TImage
      Left = 10
      Top = 10
      Width = 32
      Height = 32
      Center = True
    end
    object ListNames: TListBox
      Left = 52
      Top = 10
      Width = 182
      Height = 176
      TabOrder = 0
    end
  end
  object OKBtn: TButton
    Left = 92
    Top = 216
    Width = 75
    Height = 25
    Cancel = True
    Caption = 'OK'
    Default = True
    ModalResult = 1
    TabOrder = 1
  end
end
